#include "ScreenFlood.h"

#include <QApplication>
#include <QEventLoop>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <functional>
#include <thread>

#include "FloodBoard.h"
#include "Measure.h"
#include "TrafficGenerator.h"
#include "common/MemorySettingsStore.h"
#include "common/QtTimeSource.h"
#include "common/SettingsLookup.h"
#include "controls/GridModel.h"
#include "controls/qt/Fonts.h"
#include "controls/qt/QtTelnetSocket.h"
#include "controls/qt/SpreadGrid.h"
#include "main/DialogueSession.h"
#include "main/qt/MainWindow.h"

namespace {

using Measure::Clock;

// The flood's last line, a chat line the view shows last.
constexpr char kLastLine[] = "Bob>flood-end-marker\r\n";
constexpr char16_t kLastText[] = u"flood-end-marker";
constexpr int kGiveUpMs = 120'000;

double seconds(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// The client as the user runs it, connecting to the board at `port`.
struct Client {
    explicit Client(int port)
    {
        using SettingsLookup::writeSetting;
        writeSetting(store, QStringLiteral("UserID"), QStringLiteral("demo"));
        writeSetting(store, QStringLiteral("Password"), QStringLiteral("demo"));
        writeSetting(store, QStringLiteral("HandleName"), QStringLiteral("たろう"));
        writeSetting(store, QStringLiteral("LocalEcho"), QStringLiteral("True"));
        writeSetting(store, QStringLiteral("ConnectionAddress"), QStringLiteral("127.0.0.1"));
        writeSetting(store, QStringLiteral("ConnectionPort"), QString::number(port));
        Fonts::registerSubstitutions();
        window = std::make_unique<MainWindow>(store, socket, time);
        window->setExitHandler([](int) {});
        window->load();
        window->show();
        QCoreApplication::processEvents();
    }
    ~Client() { window.reset(); }

    MemorySettingsStore store;
    QtTimeSource time;
    QtTelnetSocket socket{time};
    std::unique_ptr<MainWindow> window;
};

// Runs the event loop until `done` holds (checked every few milliseconds)
// or the time is up.
void runUntil(const std::function<bool()>& done, int giveUpMs = kGiveUpMs)
{
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    poll.start(5);
    QTimer::singleShot(giveUpMs, &loop, &QEventLoop::quit);
    if (!done())
        loop.exec();
}

bool lastRowsHold(const GridModel& grid, QStringView text)
{
    for (int row = std::max(0, grid.rowCount() - 3); row <= grid.rowCount(); ++row)
        for (int col = 1; col <= grid.columnCount(); ++col)
            if (grid.text(col, row).contains(text))
                return true;
    return false;
}

// Notes the first paint of either view that happens with the flood's last
// line already in that view's grid.
class LastLinePainted : public QObject {
public:
    explicit LastLinePainted(MainWindow& window) : window_(window)
    {
        window.terminalView()->viewport()->installEventFilter(this);
        window.chatView()->viewport()->installEventFilter(this);
    }
    std::optional<Clock::time_point> at;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || at)
            return false;
        const bool terminal = watched == window_.terminalView()->viewport();
        if (lastRowsHold(terminal ? window_.terminalModel() : window_.chatModel(), kLastText))
            at = Clock::now();
        return false;
    }

private:
    MainWindow& window_;
};

}  // namespace

ScreenIngest measureScreenIngest(double megabytes)
{
    // The traffic of the pipeline figure, and a last line to wait for.
    TrafficGenerator traffic(3);
    QByteArray bytes;
    traffic.generate(bytes, qsizetype(megabytes * 1e6));
    bytes.append(kLastLine);
    FloodBoard board;
    if (board.port() == 0)
        return {};
    Client client(board.port());
    LastLinePainted painted(*client.window);
    board.start(bytes, {}, false);
    const Measure::Stopwatch work;
    client.window->dialogue().openLine();
    runUntil([&] { return painted.at.has_value(); });
    ScreenIngest result;
    const auto first = board.firstWrite();
    if (!painted.at || !first)
        return result;
    result.workSeconds = work.seconds();
    result.seconds = seconds(*first, *painted.at);
    result.bytes = double(bytes.size());
    result.rows = client.window->terminalModel().rowCount();
    board.stop();
    return result;
}

namespace {

// Times of one typing round, written by the typist and the client's thread.
struct Round {
    std::atomic<Clock::rep> keysPosted{0};
    std::atomic<Clock::rep> keysShown{0};
    std::atomic<Clock::rep> enterPosted{0};
};

Clock::rep stamp()
{
    return Clock::now().time_since_epoch().count();
}

Clock::time_point fromStamp(Clock::rep rep)
{
    return Clock::time_point(Clock::duration(rep));
}

void postKey(QObject* receiver, int key, const QString& text)
{
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    QCoreApplication::postEvent(receiver, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier, text));
}

// Types "t<n>e" and, half an interval later, Enter, as the keyboard would:
// events posted from outside the client's thread, in order.
void type(QObject* input, std::vector<Round>& rounds, int intervalMs)
{
    const auto half = std::chrono::milliseconds(intervalMs) / 2;
    for (size_t n = 0; n < rounds.size(); ++n) {
        rounds[n].keysPosted = stamp();
        for (const char c : FloodBoard::typedLine(int(n))) {
            const QChar key = QChar::fromLatin1(c);
            postKey(input, key.toUpper().unicode(), QString(key));
        }
        std::this_thread::sleep_for(half);
        rounds[n].enterPosted = stamp();
        postKey(input, Qt::Key_Return, QStringLiteral("\r"));
        std::this_thread::sleep_for(half);
    }
}

bool inChatRoom(MainWindow& window)
{
    return window.dialogue().currentMode() == Mode::Chat && window.inputLine()->isEnabled() &&
           window.chatModel().rowCount() > 0;
}

}  // namespace

TypingDuringFlood measureTypingDuringFlood(int rounds, int intervalMs)
{
    // The log-in, then chat lines without end: the client stays in the room.
    TrafficGenerator traffic(3);
    QByteArray logIn, chat;
    traffic.generateLines(logIn, 1);
    traffic.setMenuExcursions(false);
    traffic.generate(chat, 4'000'000);
    // Outlives the window, whose input line writes to it.
    std::vector<Round> times(static_cast<size_t>(rounds));
    FloodBoard board;
    if (board.port() == 0)
        return {};
    Client client(board.port());
    QLineEdit* input = client.window->inputLine();
    QObject::connect(input, &QLineEdit::textChanged, input, [&](const QString& text) {
        const int n = FloodBoard::typedLineNumber(text.toLatin1());
        if (n >= 0 && n < rounds && times[size_t(n)].keysShown == 0)
            times[size_t(n)].keysShown = stamp();
    });
    board.start(logIn, chat, true);
    client.window->dialogue().openLine();
    TypingDuringFlood result;
    runUntil([&] { return inChatRoom(*client.window); }, 10'000);
    if (!inChatRoom(*client.window))
        return result;

    const qint64 floodBefore = board.bytesWritten();
    const auto typingStart = Clock::now();
    // Key events name a keyboard; the client's thread makes the default one.
    QInputDevice::primaryKeyboard();
    std::atomic<bool> typed = false;
    std::thread typist([&] {
        type(input, times, intervalMs);
        typed = true;
    });
    runUntil([&] { return typed.load(); });
    typist.join();
    const double typingSeconds = seconds(typingStart, Clock::now());
    result.floodMbps = double(board.bytesWritten() - floodBefore) / 1e6 / typingSeconds;
    // The last lines may still be on their way.
    runUntil([&] { return board.arrival(rounds - 1).has_value(); }, 2000);
    board.stop();

    result.rounds = rounds;
    for (int n = 0; n < rounds; ++n) {
        const Round& r = times[size_t(n)];
        if (r.keysShown != 0)
            result.shown.push_back(seconds(fromStamp(r.keysPosted), fromStamp(r.keysShown)));
        if (const auto arrived = board.arrival(n))
            result.enter.push_back(seconds(fromStamp(r.enterPosted), *arrived));
        else
            ++result.lost;
    }
    return result;
}
