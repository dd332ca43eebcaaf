#include <QStatusBar>
#include <gtest/gtest.h>

#include "controls/GridModel.h"
#include "main/DialogueSession.h"
#include "support/qt/BoardProcess.h"
#include "support/qt/EventWait.h"
#include "support/qt/LiveClient.h"
#include "support/qt/TelnetDaemonHost.h"

using namespace Qt::StringLiterals;

namespace {

// The whole round a user makes: log in, enter the room, say something,
// leave the room, log out; against hosts that negotiate telnet options,
// colour their text and end lines in other ways than CR LF.
class RealHostFlow {
public:
    explicit RealHostFlow(quint16 port)
    {
        client.set(u"ConnectionAddress"_s, u"127.0.0.1"_s);
        client.set(u"ConnectionPort"_s, QString::number(port));
        client.set(u"UserID"_s, u"demo"_s);
        client.set(u"Password"_s, u"demo"_s);
        client.set(u"HandleName"_s, u"たろう"_s);
        client.start();
    }

    void run()
    {
        ASSERT_TRUE(client.press(1));
        ASSERT_TRUE(waitUntil([&] { return client.captions()[0] == u"ログアウト"_s; }))
            << client.terminalRows().join(u'\n').toStdString();
        ASSERT_TRUE(client.press(2));
        ASSERT_TRUE(waitUntil([&] { return client.mode() == Mode::Chat; }))
            << client.terminalRows().join(u'\n').toStdString();
        ASSERT_TRUE(client.enter(u"こんにちは"_s));
        ASSERT_TRUE(waitUntil([&] {
            for (const auto& row : client.chatRows())
                if (row.message == u"こんにちは"_s)
                    return true;
            return false;
        }));
        ASSERT_TRUE(client.press(2));
        ASSERT_TRUE(waitUntil([&] { return client.captions()[1] == u"チャットイン"_s; }));
        ASSERT_TRUE(client.press(1));
        ASSERT_TRUE(waitUntil([&] { return client.mode() == Mode::LineOff; }));
        settle();
        EXPECT_EQ(client.window->statusBar()->currentMessage(), u"ログアウトしました"_s);
        for (const QString& row : client.terminalRows())
            EXPECT_FALSE(row.contains(QChar(0x1B)) || row.contains(QChar(0xFF)) ||
                         row.contains(QChar(0xFFFD)))
                << row.toStdString();
    }

    LiveClient client;
};

class BoardModeTest : public ::testing::TestWithParam<QStringList> {};

TEST_P(BoardModeTest, LogInChatAndLogOut)
{
    BoardProcess board(QStringLiteral(ZKT_BOARD_PATH));
    ASSERT_TRUE(board.start(QStringList{u"--quiet"_s} + GetParam())) << board.error().toStdString();
    RealHostFlow flow(board.port());
    ASSERT_NO_FATAL_FAILURE(flow.run());
    if (GetParam().contains(u"--color"_s)) {
        const GridModel& terminal = flow.client.window->terminalModel();
        bool styled = false;
        for (int row = 1; row <= terminal.rowCount() && !styled; ++row)
            styled = !terminal.styleRuns(1, row).empty();
        EXPECT_TRUE(styled) << "the board's colours reach the terminal view";
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, BoardModeTest,
                         ::testing::Values(QStringList{u"--telnet"_s}, QStringList{u"--color"_s},
                                           QStringList{u"--lf"_s}, QStringList{u"--lfcr"_s},
                                           QStringList{u"--telnet"_s, u"--color"_s, u"--lf"_s}),
                         [](const auto& info) {
                             QString name = info.param.join(u""_s);
                             name.remove(u'-');
                             return name.toStdString();
                         });

// A telnet daemon of the system, as boards run behind one: it negotiates
// first and starts the board only once the client has answered.
TEST(TelnetDaemonTest, LogInChatAndLogOutThroughTheSystemsTelnetDaemon)
{
    TelnetDaemonHost host(QStringLiteral(ZKT_BOARD_PATH), {u"--quiet"_s});
    if (!host.isAvailable())
        GTEST_SKIP() << "no telnet daemon to run: " << host.reason().toStdString();
    RealHostFlow flow(host.port());
    ASSERT_NO_FATAL_FAILURE(flow.run());
    EXPECT_EQ(host.daemonsStarted(), 1);
}

}  // namespace
