// Opening the connection, returning to line-off when it ends or fails, and
// what the status bar tells the user.

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "support/DialogueFixture.h"

namespace {

class ConnectionTest : public DialogueFixture {};

TEST_F(ConnectionTest, LogInKeyOpensTheLineWithTheStoredSettings)
{
    SettingsLookup::writeSetting(store, "ConnectionAddress", "bbs.example.jp");
    SettingsLookup::writeSetting(store, "ConnectionPort", "2323");
    SettingsLookup::writeSetting(store, "FontName", "IPAゴシック");
    SettingsLookup::writeSetting(store, "FontSize", "12");
    SettingsLookup::writeSetting(store, "FontBold", "True");
    SettingsLookup::writeSetting(store, "AutoChangeWindow", "False");
    dialogue.switchScreen(Screen::Chat);

    dialogue.functionKeyPressed(1);

    const FontSpec font{"IPAゴシック", 12, true, false};
    EXPECT_EQ(dialogue.settings().ConnectionPort, 2323) << "reloaded at the log-in";
    EXPECT_EQ(socket.host(), "bbs.example.jp");
    EXPECT_EQ(socket.port(), 2323);
    EXPECT_EQ(socket.connectCount(), 1);
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_EQ(dialogue.pendingCommand(), Command::LogIn);
    EXPECT_TRUE(terminalView.isVisible()) << "whatever AutoChangeWindow says";
    EXPECT_FALSE(chatView.isVisible());
    EXPECT_EQ(terminalView.font(), font);
    EXPECT_EQ(chatView.font(), font);
    EXPECT_EQ(window.inputFont, font);
    EXPECT_TRUE(window.inputEnabled);
    EXPECT_EQ(window.focusCount, 1);
    EXPECT_TRUE(sent().isEmpty());
    ASSERT_EQ(window.statuses.size(), 1);
    EXPECT_TRUE(window.statuses[0].startsWith("接続中… ")) << window.statuses[0].toStdString();
}

TEST_F(ConnectionTest, CaptionsStayLineOffWithAbortOnTheLogInKey)
{
    dialogue.functionKeyPressed(1);
    const std::array<QString, 12> expected = {"中止", "",     "",   "画面切替", "設定", "",
                                              "",     "終了", "F9", "F10",      "F11",  "F12"};
    EXPECT_EQ(window.captions, expected);
}

// The status bar says what is happening now; a failure stays until the next
// attempt, and a log-out the user asked for is told apart from a host that
// went away.
TEST_F(ConnectionTest, StatusBarFollowsTheConnection)
{
    dialogue.functionKeyPressed(1);
    socket.failConnect(QStringLiteral("接続が拒否されました"));
    const QString failure = window.statuses.back();
    dialogue.functionKeyPressed(4);
    EXPECT_EQ(window.statuses.back(), failure) << "a failure stays until the next attempt";
    dialogue.functionKeyPressed(1);
    EXPECT_TRUE(window.statuses.back().startsWith("接続中… "));
    dialogue.onConnected();
    EXPECT_EQ(window.statuses.back(), "ログイン中");
    receive(QStringLiteral("MAIN (G,C,I,?)>"));
    EXPECT_EQ(window.statuses.back(), "メインメニュー");
    dialogue.functionKeyPressed(1);
    socket.hostCloses();
    EXPECT_EQ(window.statuses.back(), "ログアウトしました");
    connect();
    socket.hostCloses();
    EXPECT_EQ(window.statuses.back(), "ホストが接続を終了しました");
}

TEST_F(ConnectionTest, SettingsChangedSinceStartUpApplyAtTheNextLogIn)
{
    connect();
    socket.hostCloses();
    SettingsLookup::writeSetting(store, "ConnectionPort", "8023");
    SettingsLookup::writeSetting(store, "FontSize", "14");
    EXPECT_EQ(dialogue.settings().ConnectionPort, 23) << "not before the log-in";
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(socket.port(), 8023);
    EXPECT_EQ(terminalView.font().size, 14);
    EXPECT_EQ(window.inputFont.size, 14);
}

TEST_F(ConnectionTest, HandleFetchedFromTheBoardIsReplacedAtTheNextLogIn)
{
    SettingsLookup::writeSetting(store, "HandleName", "Stored");
    connect();
    dialogue.settings().HandleName = QStringLiteral("Fetched");
    socket.hostCloses();
    connect();
    EXPECT_EQ(dialogue.settings().HandleName, "Stored");
}

TEST_F(ConnectionTest, UnconvertibleSettingsAreReportedOnceAndDefaulted)
{
    SettingsLookup::writeSetting(store, "ConnectionPort", "telnet");
    SettingsLookup::writeSetting(store, "Luminosity", "bright");
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(socket.port(), 23);
    EXPECT_EQ(dialogue.settings().Luminosity, 13);
    ASSERT_EQ(window.warnings.size(), 1);
    EXPECT_TRUE(window.warnings[0].contains("ConnectionPort"));
    EXPECT_TRUE(window.warnings[0].contains("Luminosity"));
}

TEST_F(ConnectionTest, HostClosingReturnsToLineOff)
{
    connect();
    receive(QStringLiteral("MAIN (M)>"));
    dialogue.functionKeyPressed(1);  // log out
    ASSERT_EQ(dialogue.pendingCommand(), Command::LogOut);
    socket.hostCloses();
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_EQ(window.captions[0], "ログイン");
    EXPECT_EQ(window.captions[1], "");
    EXPECT_EQ(window.captions[4], "設定");
    EXPECT_EQ(window.captions[6], "");
    EXPECT_FALSE(window.inputEnabled);
    EXPECT_EQ(dialogue.pendingCommand(), Command::LogOut) << "closing keeps the pending command";
    EXPECT_EQ(window.statuses.back(), "ログアウトしました");
}

TEST_F(ConnectionTest, CloseOfAnAlreadyClosedSocketOnlySetsTheMode)
{
    connect();
    socket.setState(TelnetSocket::Closed);
    dialogue.closeLine();
    EXPECT_EQ(socket.closeCount(), 0);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_FALSE(window.inputEnabled);
}

TEST_F(ConnectionTest, TimerThenCloseNotificationEndsInLineOff)
{
    connect();
    socket.setState(TelnetSocket::Closing);
    dialogue.timerTick();
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    dialogue.onCloseByHost();
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
}

TEST_F(ConnectionTest, FailedConnectionOffersTheLogInKeyAgain)
{
    dialogue.functionKeyPressed(1);
    socket.failConnect(QStringLiteral("接続が拒否されました"));
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_EQ(window.captions[0], "ログイン");
    EXPECT_EQ(window.captions[4], "設定");
    EXPECT_FALSE(window.inputEnabled);
    EXPECT_TRUE(window.statuses.back().contains("接続が拒否されました"));

    dialogue.functionKeyPressed(1);
    EXPECT_EQ(socket.connectCount(), 2);
    EXPECT_EQ(dialogue.pendingCommand(), Command::LogIn);
}

TEST_F(ConnectionTest, FailureWhileConnectingClosesTheSocket)
{
    socket.setStateAfterConnect(TelnetSocket::Connecting);
    dialogue.functionKeyPressed(1);
    socket.setState(TelnetSocket::Error);
    dialogue.onConnectFailed(QStringLiteral("timed out"));
    EXPECT_EQ(socket.closeCount(), 1);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
}

TEST_F(ConnectionTest, ViewsKeepTheirRowsAcrossConnections)
{
    setSetting("HandleName", "Taro");
    enterChat();
    receive(QStringLiteral("Jiro>hi\r\n"));
    socket.hostCloses();
    connect();
    // The break is marked in both views.
    const QString marker = QStringLiteral("――― 接続が切れました 2026-01-01 12:00:00 ―――");
    EXPECT_EQ(terminalRows(), (QStringList{kEntryLine, "Jiro>hi", marker, ""}));
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"", kEntryLine}, {"Jiro", "hi"}, {"", marker}}));
}

TEST_F(ConnectionTest, InexactSendIsShownInTheStatusBar)
{
    dialogue.onSendInexact();
    ASSERT_EQ(window.statuses.size(), 1);
    EXPECT_FALSE(window.statuses[0].isEmpty());
}

}  // namespace
