#include "ReceiveHarness.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <array>
#include <vector>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/GridModel.h"
#include "support/WiredDialogue.h"

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
        QStringList texts = {
            QStringLiteral("demo"), QStringLiteral("secret"), QStringLiteral("Guest"), QString(),
            QStringLiteral("Taro"), QStringLiteral("G"),      QStringLiteral("C"),     QStringLiteral("E"),
            QStringLiteral("//"),   QStringLiteral("0"),      QStringLiteral("I"),     QStringLiteral("?"),
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
        QStringList{QStringLiteral("ログイン"), QStringLiteral("ログアウト"), QStringLiteral("中止"),
                    QString()},
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

struct Harness {
    explicit Harness(std::uint8_t flags);

    // The host's side: bytes are dropped, as the desktop socket drops them,
    // when no connection is up.
    void hostSends(QByteArrayView bytes);
    void hostCloses();
    void runAction(std::uint8_t choice);
    bool exited() const { return wired.window.exitCount > 0; }
    QString check();
    QString checkTerminalText();
    // The first `rows` rows of both dialogues are the same.
    QString compareFinishedRows(const WiredDialogue& whole, int rows) const;

    // One entry per connection the client opened, with what the host sent on it.
    void followConnections() { connections.resize(std::size_t(wired.socket.connectCount())); }
    struct Connection {
        QByteArray bytes;
        bool closedByHost = false;
        // The user had logged out: no break is marked, so what follows
        // depends on the keys, not only on the bytes.
        bool loggedOut = false;
        int rowsBeforeClose = 0;
    };

    WiredDialogue wired;
    std::vector<Connection> connections;
    qint64 received = 0;  // bytes handed to the dialogue
    qsizetype checkedSends = 0;
};

Harness::Harness(std::uint8_t flags)
{
    const auto setting = [&](const char* key, const QString& value) {
        SettingsLookup::writeSetting(wired.store, QString::fromLatin1(key), value);
    };
    const auto flag = [&](int bit) { return SettingsLookup::boolText((flags >> bit) & 1); };
    setting("GuestFlag", flag(0));
    setting("LocalEcho", flag(1));
    setting("AutoGetHandleName", SettingsLookup::boolText(!((flags >> 2) & 1)));
    setting("HandleName", (flags >> 3) & 1 ? QString() : QStringLiteral("Taro"));
    setting("AutoChangeWindow", SettingsLookup::boolText(!((flags >> 4) & 1)));
    setting("ChangeMyColor", flag(5));
    setting("UserID", (flags >> 6) & 1 ? QString() : QStringLiteral("demo"));
    setting("Password", (flags >> 7) & 1 ? QString() : QStringLiteral("secret"));
    setting("ConnectionAddress", QStringLiteral("127.0.0.1"));

    wired.window.keepHistory = false;
    // The views are brought up to date once per frame, as a window's are.
    wired.terminalView.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
    wired.chatView.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
    wired.reloadSettings();
    // The log-in key opens the connection as the user would.
    wired.pressKey(1);
}

void Harness::hostSends(QByteArrayView bytes)
{
    if (wired.socket.state() != TelnetSocket::Connected)
        return;
    followConnections();
    connections.back().bytes += bytes;
    received += bytes.size();
    wired.socket.pushBytes(bytes);
}

void Harness::hostCloses()
{
    if (wired.socket.state() != TelnetSocket::Connected)
        return;
    followConnections();
    Connection& connection = connections.back();
    connection.closedByHost = true;
    connection.rowsBeforeClose = wired.terminal.rowCount();
    wired.socket.hostCloses();
    connection.loggedOut = wired.window.status == u"ログアウトしました";
}

void Harness::runAction(std::uint8_t choice)
{
    const int action = choice % 16;
    if (action < 12) {
        wired.pressKey(action + 1);
    } else if (action == 12) {
        wired.pressEnter();
    } else if (action == 13) {
        wired.tick();
    } else if (action == 14) {
        hostCloses();
    } else {
        wired.pressKey(4);
        wired.pressKey(4);
    }
}

// The checks that cost no more than what arrived since the last one.
QString Harness::check()
{
    const FakeSocket& socket = wired.socket;
    if (socket.sentRaw().size() > 3 * received)
        return QStringLiteral("answered %1 telnet bytes for %2 received")
            .arg(socket.sentRaw().size())
            .arg(received);
    for (; checkedSends < socket.sentTexts().size(); ++checkedSends) {
        const QString& text = socket.sentTexts()[checkedSends];
        if (!allowedReplies().contains(text))
            return QStringLiteral("sent a text no prompt or key produces: \"%1\"").arg(text);
    }
    if (socket.sendsWithoutConnection() > 0)
        return QStringLiteral("sent without a connection");

    const Mode mode = wired.mode();
    if (mode != Mode::LineOff && mode != Mode::Main && mode != Mode::Chat)
        return QStringLiteral("unknown mode %1").arg(int(mode));
    for (int item = 0; item < 12; ++item) {
        if (!allowedCaptions()[item].contains(wired.caption(item)))
            return QStringLiteral("F%1 shows \"%2\"").arg(item + 1).arg(wired.caption(item));
    }
    if (socket.state() == TelnetSocket::Closed && (mode != Mode::LineOff || wired.caption(0) != u"ログイン"))
        return QStringLiteral("connection ended but the mode is %1 and F1 shows \"%2\"")
            .arg(int(mode))
            .arg(wired.caption(0));

    // Each new connection may re-measure the history once (the font is set).
    // A TAB byte may become eight characters.
    const quint64 characters = 8 * quint64(received);
    const quint64 rounds = quint64(socket.connectCount()) + 1;
    const quint64 measureLimit = 4 * rounds * (characters + 64);
    if (quint64(wired.measurer.characters) > measureLimit)
        return QStringLiteral("measured %1 characters for %2 received")
            .arg(wired.measurer.characters)
            .arg(characters);
    return {};
}

// The terminal's rows do not depend on how the bytes were cut into blocks:
// a second dialogue given each connection's bytes in one block shows the
// same rows, up to a log-out (after which the keys decide too).
QString Harness::checkTerminalText()
{
    followConnections();
    WiredDialogue whole;
    const GridModel& terminal = wired.terminal;
    for (const Connection& connection : connections) {
        whole.openLine();
        if (whole.socket.state() != TelnetSocket::Connected)
            continue;
        whole.socket.pushBytes(connection.bytes);
        if (connection.closedByHost && connection.loggedOut)
            return compareFinishedRows(whole, connection.rowsBeforeClose - 1);
        if (connection.closedByHost)
            whole.socket.hostCloses();
    }
    if (whole.terminal.rowCount() != terminal.rowCount())
        return QStringLiteral("terminal has %1 rows; the same bytes in one block make %2")
            .arg(terminal.rowCount())
            .arg(whole.terminal.rowCount());
    for (int row = 1; row <= terminal.rowCount(); ++row) {
        if (terminal.text(1, row) != whole.terminal.text(1, row))
            return QStringLiteral("terminal row %1 differs from the same bytes in one block").arg(row);
    }
    // Fitted once per frame, the column is as wide as fitted after every block.
    if (wired.terminalView.columnWidth(1) != whole.terminalView.columnWidth(1))
        return QStringLiteral("terminal column is %1 twips wide; fitted after every block, %2")
            .arg(wired.terminalView.columnWidth(1))
            .arg(whole.terminalView.columnWidth(1));
    return {};
}

QString Harness::compareFinishedRows(const WiredDialogue& whole, int rows) const
{
    if (whole.terminal.rowCount() < rows)
        return QStringLiteral("before the log-out the same bytes in one block make %1 rows, not %2")
            .arg(whole.terminal.rowCount())
            .arg(rows);
    for (int row = 1; row <= rows; ++row) {
        if (wired.terminal.text(1, row) != whole.terminal.text(1, row))
            return QStringLiteral("terminal row %1 differs from the same bytes in one block").arg(row);
    }
    return {};
}

// Plays the host's bytes and the user's actions; empty when every check held.
QString play(Harness& harness, const std::uint8_t* data, std::size_t size)
{
    const std::array<std::uint8_t, 2> sizes = {data[1], data[2]};
    const std::uint8_t actions = data[3];

    std::size_t at = kHeaderSize;
    for (std::size_t block = 0; at < size && !harness.exited(); ++block) {
        const std::uint8_t code = sizes[block % 2];
        const std::size_t length = code == 0xFF ? size - at : std::min<std::size_t>(code + 1u, size - at);
        const auto bytes = QByteArrayView(data + at, qsizetype(length));
        at += length;
        harness.hostSends(bytes);
        // A block followed by an action shares its frame with the next one.
        if ((actions >> (block % 8)) & 1)
            harness.runAction(std::uint8_t(bytes.back()));
        else
            harness.wired.showFrame();
        if (QString broken = harness.check(); !broken.isEmpty())
            return QStringLiteral("after block %1: %2").arg(block).arg(broken);
    }
    if (!harness.exited())
        harness.hostCloses();
    harness.wired.showFrame();
    if (QString broken = harness.check(); !broken.isEmpty())
        return QStringLiteral("at the end: ") + broken;
    return harness.checkTerminalText();
}

}  // namespace

Session replay(const std::uint8_t* data, std::size_t size)
{
    if (size < kHeaderSize)
        return {};
    Harness harness(data[0]);
    Session session;
    session.broken = play(harness, data, size);
    session.terminalRows = harness.wired.terminalRows();
    for (const ChatRow& row : harness.wired.chatRows())
        session.chatRows.emplace_back(row.handle, row.message);
    session.sent = harness.wired.socket.wire();
    return session;
}

QString run(const std::uint8_t* data, std::size_t size)
{
    return replay(data, size).broken;
}

}  // namespace ReceiveHarness
