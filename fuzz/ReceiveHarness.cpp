#include "ReceiveHarness.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <array>

#include "common/Cp932.h"
#include "common/MemorySettingsStore.h"
#include "common/modZkCommon.h"
#include "controls/GridModel.h"
#include "controls/TextMeasurer.h"
#include "main/DialogueSession.h"
#include "main/LineFacts.h"
#include "main/MainWindowPort.h"
#include "common/TimeSource.h"

namespace ReceiveHarness {
namespace {

constexpr std::size_t kHeaderSize = 4;

// Everything the prompt automaton and the command keys may send: the stored
// user ID, password and handle, "Guest", an empty password line, the menu
// letters, and the help requests. The input line is never typed into here,
// so Enter sends an empty line.
const QStringList& allowedReplies()
{
    static const QStringList replies = [] {
        QStringList texts = {QStringLiteral("demo"), QStringLiteral("secret"), QStringLiteral("Guest"),
                             QString(),              QStringLiteral("Taro"),   QStringLiteral("G"),
                             QStringLiteral("C"),    QStringLiteral("E"),      QStringLiteral("//"),
                             QStringLiteral("0"),    QStringLiteral("I"),      QStringLiteral("?"),
                             QStringLiteral("/?")};
        for (QString& text : texts)
            text += QStringLiteral("\r\n");
        return texts;
    }();
    return replies;
}

// The captions each key may carry: the designed bar and the three modes.
const std::array<QStringList, 12>& allowedCaptions()
{
    static const std::array<QStringList, 12> captions = {
        QStringList{QStringLiteral("ログイン"), QStringLiteral("ログアウト"), QStringLiteral("中止"), QString()},
        QStringList{QString(), QStringLiteral("チャットイン"), QStringLiteral("チャットアウト")},
        QStringList{QString()},
        QStringList{QStringLiteral("画面切替")},
        QStringList{QString(), QStringLiteral("設定")},
        QStringList{QString()},
        QStringList{QString(), QStringLiteral("ヘルプ")},
        QStringList{QStringLiteral("終了")},
        QStringList{QStringLiteral("F9")},
        QStringList{QStringLiteral("F10")},
        QStringList{QStringLiteral("F11")},
        QStringList{QStringLiteral("F12")},
    };
    return captions;
}

// Every character the same width; counts what it was asked to measure.
class CountingMeasurer : public TextMeasurer {
public:
    double textWidthTwips(QStringView text, const FontSpec&) override
    {
        measured += quint64(text.size());
        return double(text.size()) * 100;
    }
    quint64 measured = 0;
};

// Time stands still: the reply guard sees every reply at once.
class IdleTime : public TimeSource {
public:
    std::unique_ptr<Timer> createTimer() override { return nullptr; }
    qint64 nowMs() const override { return 0; }
};

class RecordingWindow : public MainWindowPort {
public:
    void setFunctionKeyCaption(int, const QString&) override {}
    void setInputEnabled(bool) override {}
    void focusInput() override {}
    void setInputFont(const FontSpec&) override {}
    QString inputText() const override { return input; }
    void setInputText(const QString& text) override { input = text; }
    void showStatus(const QString&) override {}
    void alertUser() override {}
    void showWarning(const QString&) override {}
    void openSettingsDialog() override { ++settingsDialogs; }
    void exitApplication() override { exited = true; }

    QString input;
    int settingsDialogs = 0;
    bool exited = false;
};

// The host's end of the connection: bytes are pushed to the dialogue as the
// desktop socket pushes them, and what the client sends is kept.
class HostSocket : public TelnetSocket {
public:
    void setRemoteHost(const QString&) override {}
    void setRemotePort(qint32) override {}
    void connectToRemote() override
    {
        ++connects;
        connections.emplace_back();
        state_ = Connected;
    }
    State state() const override { return state_; }
    void close() override { state_ = Closed; }
    void sendData(const QString& text) override
    {
        if (state_ != Connected)
            sentWithoutConnection = true;
        sent.append(text);
    }
    void sendBytes(QByteArrayView bytes) override
    {
        if (state_ != Connected)
            sentWithoutConnection = true;
        answers += bytes.size();
    }
    qint64 unsentBytes() const override { return 0; }

    // Bytes from the host; dropped, as the desktop socket drops them, when
    // no connection is up.
    void hostSends(QByteArrayView bytes)
    {
        if (state_ != Connected)
            return;
        connections.back().bytes += bytes;
        received += bytes.size();
        if (listener_)
            listener_->onBytesReceived(bytes);
    }
    void hostCloses()
    {
        if (state_ != Connected)
            return;
        state_ = Closing;
        connections.back().closedByHost = true;
        if (listener_)
            listener_->onCloseByHost();
    }

    QStringList sent;
    qint64 received = 0;  // bytes handed to the dialogue
    qint64 answers = 0;   // telnet answer bytes sent
    struct Connection {
        QByteArray bytes;
        bool closedByHost = false;
    };
    std::vector<Connection> connections;  // each connection's bytes, in order
    int connects = 0;
    bool sentWithoutConnection = false;

private:
    State state_ = Closed;
};

struct Harness {
    explicit Harness(std::uint8_t flags);

    void runAction(std::uint8_t choice);
    QString check();
    QString checkTerminalText() const;

    MemorySettingsStore store;
    HostSocket socket;
    RecordingWindow window;
    CountingMeasurer measurer;
    GridModel terminal{1};
    GridModel chat{2};
    IdleTime time;
    DialogueSession dialogue{store, socket, terminal, chat, window, time};

    quint64 copiedAtStart = LineFacts::handleCharsCopied();
    qsizetype checkedSends = 0;
};

Harness::Harness(std::uint8_t flags)
{
    const auto setting = [&](const char* key, const QString& value) {
        modZkCommon::WriteSetting(store, QString::fromLatin1(key), value);
    };
    const auto flag = [&](int bit) { return modZkCommon::BoolText((flags >> bit) & 1); };
    setting("GuestFlag", flag(0));
    setting("LocalEcho", flag(1));
    setting("AutoGetHandleName", modZkCommon::BoolText(!((flags >> 2) & 1)));
    setting("HandleName", (flags >> 3) & 1 ? QString() : QStringLiteral("Taro"));
    setting("AutoChangeWindow", modZkCommon::BoolText(!((flags >> 4) & 1)));
    setting("ChangeMyColor", flag(5));
    setting("UserID", (flags >> 6) & 1 ? QString() : QStringLiteral("demo"));
    setting("Password", (flags >> 7) & 1 ? QString() : QStringLiteral("secret"));
    setting("ConnectionAddress", QStringLiteral("127.0.0.1"));

    terminal.setMeasurer(&measurer);
    chat.setMeasurer(&measurer);
    dialogue.loadSettings();
    dialogue.switchScreen(Screen::Init);
    // The log-in key opens the connection as the user would.
    dialogue.functionKeyPressed(1);
}

void Harness::runAction(std::uint8_t choice)
{
    const int action = choice % 16;
    if (action < 12) {
        dialogue.functionKeyPressed(action + 1);
    } else if (action == 12) {
        dialogue.inputLineEnter();
    } else if (action == 13) {
        dialogue.timerTick();
    } else if (action == 14) {
        socket.hostCloses();
    } else {
        dialogue.functionKeyPressed(4);
        dialogue.functionKeyPressed(4);
    }
}

// The checks that cost no more than what arrived since the last one.
QString Harness::check()
{
    if (socket.answers > 3 * socket.received)
        return QStringLiteral("answered %1 telnet bytes for %2 received").arg(socket.answers).arg(socket.received);
    for (; checkedSends < socket.sent.size(); ++checkedSends) {
        const QString& text = socket.sent[checkedSends];
        if (!allowedReplies().contains(text))
            return QStringLiteral("sent a text no prompt or key produces: \"%1\"").arg(text);
    }
    if (socket.sentWithoutConnection)
        return QStringLiteral("sent without a connection");

    const Mode mode = dialogue.currentMode();
    if (mode != Mode::LineOff && mode != Mode::Main && mode != Mode::Chat)
        return QStringLiteral("unknown mode %1").arg(int(mode));
    for (int item = 0; item < 12; ++item) {
        if (!allowedCaptions()[item].contains(dialogue.caption(item)))
            return QStringLiteral("F%1 shows \"%2\"").arg(item + 1).arg(dialogue.caption(item));
    }
    if (socket.state() == TelnetSocket::Closed && (mode != Mode::LineOff || dialogue.caption(0) != u"ログイン"))
        return QStringLiteral("connection ended but the mode is %1 and F1 shows \"%2\"")
            .arg(int(mode))
            .arg(dialogue.caption(0));

    // Each new connection may re-read the current line once (the handle
    // lookup starts over) and re-measure the history once (the font is set).
    // A TAB byte may become eight characters.
    const quint64 received = 8 * quint64(socket.received);
    const quint64 rounds = quint64(socket.connects) + 1;
    const quint64 copied = LineFacts::handleCharsCopied() - copiedAtStart;
    if (copied > rounds * (received + 1))
        return QStringLiteral("copied %1 handle characters for %2 received").arg(copied).arg(received);
    const quint64 measureLimit = 4 * rounds * (received + 64);
    if (measurer.measured > measureLimit)
        return QStringLiteral("measured %1 characters for %2 received").arg(measurer.measured).arg(received);
    return {};
}

// The terminal's rows do not depend on how the bytes were cut into blocks:
// a second dialogue given each connection's bytes in one block shows the
// same rows.
QString Harness::checkTerminalText() const
{
    MemorySettingsStore otherStore;
    HostSocket otherSocket;
    RecordingWindow otherWindow;
    CountingMeasurer otherMeasurer;
    GridModel otherTerminal{1};
    GridModel otherChat{2};
    IdleTime otherTime;
    DialogueSession whole{otherStore, otherSocket, otherTerminal, otherChat, otherWindow, otherTime};
    whole.switchScreen(Screen::Init);
    for (const HostSocket::Connection& connection : socket.connections) {
        whole.openLine();
        otherSocket.hostSends(connection.bytes);
        if (connection.closedByHost)
            otherSocket.hostCloses();
    }
    if (otherTerminal.rowCount() != terminal.rowCount())
        return QStringLiteral("terminal has %1 rows; the same bytes in one block make %2")
            .arg(terminal.rowCount())
            .arg(otherTerminal.rowCount());
    for (int row = 1; row <= terminal.rowCount(); ++row) {
        if (terminal.text(1, row) != otherTerminal.text(1, row))
            return QStringLiteral("terminal row %1 differs from the same bytes in one block").arg(row);
    }
    return {};
}

}  // namespace

QString run(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeaderSize)
        return {};
    Harness harness(data[0]);
    const std::array<std::uint8_t, 2> sizes = {data[1], data[2]};
    const std::uint8_t actions = data[3];

    std::size_t at = kHeaderSize;
    for (std::size_t block = 0; at < size && !harness.window.exited; ++block) {
        const std::uint8_t code = sizes[block % 2];
        const std::size_t length = code == 0xFF ? size - at : std::min<std::size_t>(code + 1u, size - at);
        const auto bytes = QByteArrayView(data + at, qsizetype(length));
        at += length;
        harness.socket.hostSends(bytes);
        if ((actions >> (block % 8)) & 1)
            harness.runAction(std::uint8_t(bytes.back()));
        if (QString broken = harness.check(); !broken.isEmpty())
            return QStringLiteral("after block %1: %2").arg(block).arg(broken);
    }
    if (!harness.window.exited)
        harness.socket.hostCloses();
    if (QString broken = harness.check(); !broken.isEmpty())
        return QStringLiteral("at the end: ") + broken;
    return harness.checkTerminalText();
}

}  // namespace ReceiveHarness
