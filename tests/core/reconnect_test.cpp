// Connecting again after the host ended the connection: the waits, the
// countdown, F1 stopping it, the marker rows, and the endings that are never
// retried.

#include "support/DialogueFixture.h"

namespace {

// After the previous connection's last prompt, which is still the current line.
const QString kRefusal = QStringLiteral("\r\nUserID または Password が間違っています｡\r\n");
const QString kMainMenu = QStringLiteral("MAIN (G,C,I,?)>");

class ReconnectTest : public DialogueFixture {
public:
    void SetUp() override
    {
        setSetting("AutoReconnect", "True");
        time.setLocalNow(QDateTime(QDate(2026, 3, 1), QTime(21, 30, 5)));
    }
    // Logged in: the main menu has been reached.
    void logIn()
    {
        connect();
        receive(kMainMenu);
    }
    // Time passes to one millisecond before `ms`, then to `ms`: whether a
    // connection attempt came exactly then.
    bool attemptsExactlyAfter(qint64 ms)
    {
        const int before = socket.connectCount();
        time.advance(ms - 1);
        if (socket.connectCount() != before)
            return false;
        time.advance(1);
        return socket.connectCount() == before + 1;
    }
};

TEST_F(ReconnectTest, WaitsTwoSecondsCountingDownWithF1ToStop)
{
    logIn();
    socket.hostCloses();
    EXPECT_EQ(mode(), Mode::LineOff);
    EXPECT_EQ(caption(0), "中止");
    EXPECT_EQ(window.statuses.back(), "再接続まで 2 秒 (F1 で中止)");
    time.advance(1000);
    EXPECT_EQ(window.statuses.back(), "再接続まで 1 秒 (F1 で中止)");
    EXPECT_EQ(socket.connectCount(), 1);
    time.advance(1000);
    EXPECT_EQ(socket.connectCount(), 2);
    EXPECT_EQ(mode(), Mode::Main);
    EXPECT_EQ(dialogue.pendingCommand(), Command::LogIn) << "logs in as F1 would";
    EXPECT_EQ(caption(0), "中止");
    EXPECT_TRUE(window.statuses.back().startsWith("接続中… ")) << window.statuses.back().toStdString();
}

// Each attempt that fails, before or after the connection stands, doubles
// the wait up to a minute; one that logs in starts the count afresh.
TEST_F(ReconnectTest, WaitDoublesAfterEachFailedAttemptUpToAMinute)
{
    logIn();
    socket.hostCloses();
    const qint64 waits[] = {2000, 4000, 8000, 16000, 32000, 60000, 60000};
    for (size_t i = 0; i < std::size(waits); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(attemptsExactlyAfter(waits[i]));
        if (i % 2 == 0)
            socket.failConnect(QStringLiteral("接続が拒否されました"));
        else
            socket.hostCloses();  // accepted, then closed before the log-in
    }
    ASSERT_TRUE(attemptsExactlyAfter(60000));
    socket.setState(TelnetSocket::Connected);
    receive(kMainMenu);
    socket.hostCloses();
    EXPECT_TRUE(attemptsExactlyAfter(2000)) << "after a log-in the first wait again";
}

TEST_F(ReconnectTest, F1StopsTheWaitAndTheAttempt)
{
    logIn();
    socket.hostCloses();
    time.advance(1000);
    pressKey(1);
    EXPECT_EQ(caption(0), "ログイン");
    EXPECT_EQ(window.statuses.back(), "接続を中止しました");
    time.advance(120000);
    EXPECT_EQ(socket.connectCount(), 1);
    EXPECT_EQ(time.activeTimerCount(), 0);

    // Stopping an attempt that is connecting stops the retries as well.
    logIn();
    socket.hostCloses();
    time.advance(2000);
    ASSERT_EQ(socket.connectCount(), 3);
    pressKey(1);
    EXPECT_EQ(mode(), Mode::LineOff);
    time.advance(120000);
    EXPECT_EQ(socket.connectCount(), 3);
}

// Settings opened during the wait: the user takes over, and nothing connects
// behind the dialog with the settings half changed.
TEST_F(ReconnectTest, OpeningTheSettingsStopsTheWait)
{
    logIn();
    socket.hostCloses();
    time.advance(1000);
    pressKey(5);
    EXPECT_EQ(window.settingsDialogCount, 1);
    EXPECT_EQ(caption(0), "ログイン");
    EXPECT_EQ(window.statuses.back(), "接続を中止しました");
    time.advance(120000);
    EXPECT_EQ(socket.connectCount(), 1);
}

TEST_F(ReconnectTest, EndingsThatAreNeverRetried)
{
    struct Case {
        const char* name;
        bool autoReconnect;
        std::function<void(ReconnectTest&)> end;
    };
    const Case cases[] = {
        {"log-out", true,
         [](ReconnectTest& t) {
             t.logIn();
             t.pressKey(1);  // ログアウト: "G" at the main menu
             t.receive(kMainMenu);
             t.socket.hostCloses();
         }},
        {"refused log-in", true,
         [](ReconnectTest& t) {
             t.connect();
             t.receive(kRefusal);
             t.socket.hostCloses();
         }},
        {"the user's own attempt failing", true,
         [](ReconnectTest& t) {
             t.pressKey(1);
             t.socket.failConnect(QStringLiteral("接続が拒否されました"));
         }},
        {"setting off", false,
         [](ReconnectTest& t) {
             t.logIn();
             t.socket.hostCloses();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        setSetting("AutoReconnect", c.autoReconnect ? "True" : "False");
        const int before = socket.connectCount();
        c.end(*this);
        const int made = socket.connectCount() - before;
        EXPECT_EQ(caption(0), "ログイン");
        time.advance(300000);
        EXPECT_EQ(socket.connectCount() - before, made);
    }
}

TEST_F(ReconnectTest, MarkerRowsInBothViewsWhereTheConnectionBroke)
{
    setSetting("AutoReconnect", "False");
    enterChat();
    receive(QStringLiteral("Jiro>hello\r\nhalf a li"));
    socket.hostCloses();
    const QString marker = QStringLiteral("――― 接続が切れました 2026-03-01 21:30:05 ―――");
    const QStringList rows = terminalRows();
    ASSERT_GE(rows.size(), 3);
    EXPECT_EQ(rows.mid(rows.size() - 3), (QStringList{"half a li", marker, ""}));
    const std::vector<ChatRow> chatShown = chatRows();
    ASSERT_EQ(chatShown.size(), 3u);
    EXPECT_EQ(chatShown[1], (ChatRow{"Jiro", "hello"}));
    EXPECT_EQ(chatShown[2], (ChatRow{"", marker}));
    EXPECT_EQ(chat.rowBackColor(3), 0xE0E0E0);

    // A log-out is no break.
    logIn();
    pressKey(1);
    socket.hostCloses();
    EXPECT_EQ(window.statuses.back(), "ログアウトしました");
    EXPECT_EQ(chat.rowCount(), 3);
    EXPECT_EQ(terminalRows().count(marker), 1);
}

}  // namespace
