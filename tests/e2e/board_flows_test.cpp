#include <QLineEdit>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <array>

#include "common/Cp932.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "controls/GridModel.h"
#include "main/DialogueSession.h"
#include "support/qt/BoardProcess.h"
#include "support/qt/EventWait.h"
#include "support/qt/LiveClient.h"

using namespace Qt::StringLiterals;

namespace {

using Captions = std::array<QString, 12>;

const Captions kLineOff = {u"ログイン"_s, QString(), QString(), u"画面切替"_s, u"設定"_s, QString(),
                           QString(),     u"終了"_s, u"F9"_s,   u"F10"_s,      u"F11"_s,  u"F12"_s};
// Right after F1: the log-in key has cleared itself, no mode applied yet.
const Captions kConnecting = {u"中止"_s, QString(), QString(), u"画面切替"_s, u"設定"_s, QString(),
                              QString(), u"終了"_s, u"F9"_s,   u"F10"_s,      u"F11"_s,  u"F12"_s};
const Captions kMain = {u"ログアウト"_s, u"チャットイン"_s, QString(), u"画面切替"_s, QString(), QString(),
                        u"ヘルプ"_s,     u"終了"_s,         u"F9"_s,   u"F10"_s,      u"F11"_s,  u"F12"_s};
const Captions kChat = {QString(),   u"チャットアウト"_s, QString(), u"画面切替"_s, QString(), QString(),
                        u"ヘルプ"_s, u"終了"_s,           u"F9"_s,   u"F10"_s,      u"F11"_s,  u"F12"_s};

const QString kMainPrompt = u"MAIN (G,C,I,?) >"_s;
const QString kEntry = u"たろうさんがチャットルームに入室しました。"_s;
const QString kRoomHint = u"/? でヘルプ、// で退室します。"_s;

QByteArray sjis(const QString& text)
{
    return Cp932::encode(text).bytes;
}

// The client's window against the zkt-board program over loopback TCP, with
// no simulated members in the room. Every flow checks the exact bytes that
// reached the board.
class BoardFlowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(board.start({u"--quiet"_s})) << board.error().toStdString();
        client.set(u"ConnectionAddress"_s, u"127.0.0.1"_s);
        client.set(u"ConnectionPort"_s, QString::number(board.port()));
        client.set(u"UserID"_s, u"demo"_s);
        client.set(u"Password"_s, u"demo"_s);
        client.set(u"HandleName"_s, u"たろう"_s);
        client.start();
    }

    bool waitForCurrentLine(const QString& line)
    {
        return waitUntil([&] { return client.currentLine() == line; });
    }

    bool waitForRow(const QString& row)
    {
        return waitUntil([&] { return client.terminalRows().contains(row); });
    }

    // F1 and the board's main menu.
    void logIn()
    {
        ASSERT_TRUE(client.press(1));
        ASSERT_TRUE(waitUntil([&] {
            return client.currentLine() == kMainPrompt && client.captions() == kMain;
        })) << client.currentLine().toStdString();
    }

    // F2 from the main menu; the room's first two lines have arrived.
    void chatIn()
    {
        ASSERT_TRUE(client.press(2));
        ASSERT_TRUE(waitUntil([&] { return client.chatRows().size() >= 2; }));
    }

    // Lines typed after a prompt reach the board after anything the client
    // sent in answer to it, so receiving exactly `sentSoFar` plus this line
    // proves that the client sent nothing of its own meanwhile.
    void syncThrough(const QString& line, const QByteArray& sentSoFar)
    {
        ASSERT_TRUE(client.enter(line));
        EXPECT_TRUE(board.waitForReceived(1, sentSoFar + sjis(line + u"\r\n"_s)))
            << board.received(1).toStdString();
    }

    // Help in the main menu: the board's help, then its prompt again.
    void helpInTheMainMenu(QByteArray& sent)
    {
        ASSERT_TRUE(client.press(7));
        sent += "?\r\n";
        EXPECT_TRUE(board.waitForReceived(1, sent)) << board.received(1).toStdString();
        ASSERT_TRUE(waitForRow(u"  ?  この説明を表示します。"_s));
        ASSERT_TRUE(waitForCurrentLine(kMainPrompt));
        EXPECT_EQ(client.captions(), kMain);
    }

    // Chat-in: chat menu, room, and the entry announcement turns the screen.
    void chatInToTheRoom(QByteArray& sent)
    {
        ASSERT_TRUE(client.press(2));
        EXPECT_EQ(client.captions(), kMain) << "the standing main prompt gives F2 back at once";
        ASSERT_TRUE(waitUntil([&] { return client.chatRows().size() >= 2; }));
        sent += "C\r\nE\r\n";
        EXPECT_TRUE(board.waitForReceived(1, sent)) << board.received(1).toStdString();
        EXPECT_EQ(client.mode(), Mode::Chat);
        EXPECT_EQ(client.captions(), kChat);
        EXPECT_TRUE(client.chatShown());
        EXPECT_FALSE(client.terminalShown());
        EXPECT_EQ(client.chatRows(), (std::vector<ChatRow>{{u"SYSOP"_s, kEntry}, {u"SYSOP"_s, kRoomHint}}));
    }

    // A statement: the board echoes it twice, the chat view shows it once.
    void sayHelloInTheRoom(QByteArray& sent)
    {
        ASSERT_TRUE(client.enter(u"こんにちは"_s));
        EXPECT_EQ(client.window->inputLine()->text(), QString());
        sent += sjis(u"こんにちは\r\n"_s);
        EXPECT_TRUE(board.waitForReceived(1, sent)) << board.received(1).toStdString();
        ASSERT_TRUE(waitForRow(u"たろう>こんにちは"_s));
        EXPECT_TRUE(client.terminalRows().contains(u"発言>こんにちは"_s));
        EXPECT_EQ(client.chatRows(), (std::vector<ChatRow>{
                                         {u"SYSOP"_s, kEntry},
                                         {u"SYSOP"_s, kRoomHint},
                                         {u"たろう"_s, u"こんにちは"_s},
                                     }));
    }

    // Help in the room: the room's help, whose lines have no handle.
    void helpInTheRoom(QByteArray& sent)
    {
        ASSERT_TRUE(client.press(7));
        sent += "/?\r\n";
        EXPECT_TRUE(board.waitForReceived(1, sent)) << board.received(1).toStdString();
        ASSERT_TRUE(waitUntil([&] { return client.chatRows().size() == 7; }));
        const std::vector<ChatRow> afterHelp = client.chatRows();
        EXPECT_EQ(std::vector<ChatRow>(afterHelp.begin() + 3, afterHelp.end()),
                  (std::vector<ChatRow>{
                      {{}, u"チャットルームのコマンド:"_s},
                      {{}, u"  /?  この説明を表示します。"_s},
                      {{}, u"  /w  チャットルームにいる人を表示します。"_s},
                      {{}, u"  //  チャットルームから出ます。"_s},
                  }));
        EXPECT_EQ(client.window->chatModel().rowBackColor(4), 0xE0E0E0);
        EXPECT_EQ(client.captions(), kChat);
    }

    // Chat-out: "//" in the room, "0" at the chat menu, back to the main menu.
    void chatOutToTheMainMenu(QByteArray& sent)
    {
        ASSERT_TRUE(client.press(2));
        ASSERT_TRUE(
            waitUntil([&] { return client.currentLine() == kMainPrompt && client.mode() == Mode::Main; }));
        sent += "//\r\n0\r\n";
        EXPECT_TRUE(board.waitForReceived(1, sent)) << board.received(1).toStdString();
        EXPECT_EQ(client.captions(), kMain);
        EXPECT_TRUE(client.terminalShown());
        EXPECT_FALSE(client.chatShown());
        EXPECT_EQ(client.chatRows().back(), (ChatRow{u"SYSOP"_s, u"チャットルームから退室しました。"_s}));
        EXPECT_EQ(client.chatRows().size(), 8u);
    }

    // Log-out: the board says goodbye and closes; the client is off line.
    void logOutByTheBoard(QByteArray& sent)
    {
        ASSERT_TRUE(client.press(1));
        sent += "G\r\n";
        ASSERT_TRUE(waitUntil([&] { return client.mode() == Mode::LineOff; }));
        EXPECT_TRUE(board.waitForReceived(1, sent)) << board.received(1).toStdString();
        EXPECT_TRUE(client.terminalRows().contains(u"ご利用ありがとうございました。さようなら。"_s));
        EXPECT_EQ(client.captions(), kLineOff);
        EXPECT_FALSE(client.inputEnabled());
        EXPECT_TRUE(waitUntil([&] { return client.socket.state() == TelnetSocket::Closed; }));
        EXPECT_TRUE(waitUntil([&] { return client.window->windowTitle() == u"ZKT"_s; }));
    }

    BoardProcess board{QStringLiteral(ZKT_BOARD_PATH)};
    LiveClient client;
};

TEST_F(BoardFlowTest, UserLogsIn)
{
    EXPECT_EQ(client.captions(), kLineOff);
    EXPECT_FALSE(client.inputEnabled());
    EXPECT_TRUE(client.terminalShown());

    ASSERT_TRUE(client.press(1));
    EXPECT_EQ(client.captions(), kConnecting);
    EXPECT_EQ(client.mode(), Mode::Main);
    EXPECT_TRUE(client.inputEnabled());

    ASSERT_TRUE(waitUntil([&] { return client.captions() == kMain; }));
    EXPECT_TRUE(board.waitForReceived(1, "demo\r\ndemo\r\n")) << board.received(1).toStdString();
    EXPECT_EQ(client.terminalRows(), (QStringList{
                                         u""_s,
                                         u"*** ZKT デモ掲示板 ***"_s,
                                         u"ゲストの方はユーザーIDに Guest と入力してください。"_s,
                                         u""_s,
                                         u"User ID ="_s,
                                         u"Password ="_s,
                                         u""_s,
                                         u"ようこそ、たろうさん。"_s,
                                         u""_s,
                                         u"──── メインメニュー ────"_s,
                                         u"  C: チャット"_s,
                                         u"  I: 登録内容"_s,
                                         u"  G: ログアウト"_s,
                                         u"  ?: ヘルプ"_s,
                                         kMainPrompt,
                                     }));
    EXPECT_EQ(client.window->dialogue().pendingCommand(), Command::None);
    EXPECT_TRUE(client.chatRows().empty());
    EXPECT_TRUE(client.terminalShown());
    EXPECT_FALSE(client.chatShown());
    EXPECT_TRUE(waitUntil([&] {
        return client.window->windowTitle() == u"ZKT - 127.0.0.1:%1"_s.arg(board.port());
    })) << client.window->windowTitle().toStdString();
}

TEST_F(BoardFlowTest, GuestLogsInWithTheStoredHandle)
{
    client.set(u"GuestFlag"_s, u"True"_s);
    client.set(u"HandleName"_s, u"Jiro"_s);
    logIn();
    EXPECT_TRUE(board.waitForReceived(1, "Guest\r\n\r\nJiro\r\n")) << board.received(1).toStdString();
    EXPECT_TRUE(client.terminalRows().contains(u"Handle Name ="_s));
    EXPECT_TRUE(client.terminalRows().contains(u"ようこそ、Jiroさん。"_s));
    EXPECT_EQ(client.mode(), Mode::Main);
}

TEST_F(BoardFlowTest, RefusedLogInIsNotRetried)
{
    client.set(u"Password"_s, u"wrong"_s);
    ASSERT_TRUE(client.press(1));
    ASSERT_TRUE(waitForRow(u"UserID または Password が間違っています｡"_s));
    ASSERT_TRUE(waitForCurrentLine(u"User ID ="_s));
    EXPECT_EQ(client.window->dialogue().pendingCommand(), Command::None);
    syncThrough(u"nobody"_s, "demo\r\nwrong\r\n");
    ASSERT_TRUE(waitForCurrentLine(u"Password ="_s));
    syncThrough(u"x"_s, "demo\r\nwrong\r\nnobody\r\n");

    EXPECT_EQ(client.captions(), kConnecting) << "no menu was reached";
    EXPECT_EQ(client.mode(), Mode::Main);
    EXPECT_TRUE(client.chatRows().empty());
}

TEST_F(BoardFlowTest, EmptyHandleIsLookedUpInTheProfile)
{
    client.set(u"HandleName"_s, {});
    logIn();
    EXPECT_TRUE(board.waitForReceived(1, "demo\r\ndemo\r\nI\r\n?\r\n0\r\n"))
        << board.received(1).toStdString();
    ASSERT_TRUE(waitUntil([&] {
        return client.currentLine() == kMainPrompt &&
               client.window->dialogue().pendingCommand() == Command::None;
    })) << client.window->dialogue().pendingCommand();
    EXPECT_TRUE(client.terminalRows().contains(u"H: ハンドル名   :  たろう  "_s));
    EXPECT_EQ(client.window->dialogue().settings().HandleName, u"たろう"_s);
    EXPECT_EQ(SettingsLookup::readSetting(client.store, u"HandleName"_s), QString())
        << "the looked-up handle is not stored";
    EXPECT_EQ(client.captions(), kMain);
    syncThrough(u"x"_s, "demo\r\ndemo\r\nI\r\n?\r\n0\r\n");
}

TEST_F(BoardFlowTest, HandlePromptIsAnsweredWithTheStoredHandle)
{
    client.set(u"UserID"_s, u"hanako"_s);
    client.set(u"Password"_s, u"hanako"_s);
    client.set(u"HandleName"_s, u"花子"_s);
    logIn();
    EXPECT_TRUE(board.waitForReceived(1, sjis(u"hanako\r\nhanako\r\n花子\r\n"_s)))
        << board.received(1).toStdString();
    EXPECT_TRUE(client.terminalRows().contains(u"Handle Name ="_s));
    EXPECT_TRUE(client.terminalRows().contains(u"ようこそ、花子さん。"_s));
}

TEST_F(BoardFlowTest, ChatInExchangeHelpChatOutLogOutAndLogInAgain)
{
    logIn();
    QByteArray sent = "demo\r\ndemo\r\n";
    ASSERT_NO_FATAL_FAILURE(helpInTheMainMenu(sent));
    ASSERT_NO_FATAL_FAILURE(chatInToTheRoom(sent));
    ASSERT_NO_FATAL_FAILURE(sayHelloInTheRoom(sent));
    ASSERT_NO_FATAL_FAILURE(helpInTheRoom(sent));
    ASSERT_NO_FATAL_FAILURE(chatOutToTheMainMenu(sent));
    ASSERT_NO_FATAL_FAILURE(logOutByTheBoard(sent));

    // A second log-in: a new connection, and both views keep their rows.
    const QStringList terminalBefore = client.terminalRows();
    const std::vector<ChatRow> chatBefore = client.chatRows();
    ASSERT_EQ(terminalBefore.back(), QString()) << "the farewell line was closed";
    logIn();
    EXPECT_TRUE(board.waitForReceived(2, "demo\r\ndemo\r\n")) << board.received(2).toStdString();
    EXPECT_EQ(board.received(1), sent) << "nothing more on the first connection";
    const QStringList terminalAfter = client.terminalRows();
    ASSERT_GT(terminalAfter.size(), terminalBefore.size());
    EXPECT_EQ(terminalAfter.mid(0, terminalBefore.size() - 1),
              terminalBefore.mid(0, terminalBefore.size() - 1));
    EXPECT_EQ(client.chatRows(), chatBefore);
    EXPECT_EQ(client.mode(), Mode::Main);
}

TEST_F(BoardFlowTest, LocalEchoShowsTheStatementAtOnceAndOnlyOnce)
{
    client.set(u"LocalEcho"_s, u"True"_s);
    logIn();
    chatIn();
    ASSERT_TRUE(client.enter(u"やあ"_s));
    const ChatRow own{u"たろう"_s, u"やあ"_s};
    EXPECT_EQ(client.chatRows().back(), own) << "shown before the board answers";
    ASSERT_TRUE(waitForRow(u"たろう>やあ"_s));
    // A command line goes to the board but not into the chat view.
    ASSERT_TRUE(client.enter(u"/w"_s));
    ASSERT_TRUE(waitForRow(u"在室者: たろう"_s));
    EXPECT_TRUE(board.waitForReceived(1, sjis(u"demo\r\ndemo\r\nC\r\nE\r\nやあ\r\n/w\r\n"_s)))
        << board.received(1).toStdString();
    EXPECT_EQ(client.chatRows(), (std::vector<ChatRow>{
                                     {u"SYSOP"_s, kEntry},
                                     {u"SYSOP"_s, kRoomHint},
                                     own,
                                     {{}, u"在室者: たろう"_s},
                                 }));
}

TEST_F(BoardFlowTest, AnotherMembersStatementShowsInItsColour)
{
    logIn();
    chatIn();
    // A second user on a plain socket walks into the room and speaks.
    QTcpSocket other;
    other.connectToHost(u"127.0.0.1"_s, board.port());
    ASSERT_TRUE(waitUntil([&] { return other.state() == QAbstractSocket::ConnectedState; }));
    other.write(sjis(u"taro\r\ntaro\r\nC\r\nE\r\nこんばんは\r\n"_s));
    ASSERT_TRUE(waitUntil([&] { return client.chatRows().size() >= 4; }));
    EXPECT_EQ(client.chatRows(), (std::vector<ChatRow>{
                                     {u"SYSOP"_s, kEntry},
                                     {u"SYSOP"_s, kRoomHint},
                                     {u"SYSOP"_s, u"Taroさんが入ってきました。"_s},
                                     {u"Taro"_s, u"こんばんは"_s},
                                 }));
    EXPECT_EQ(client.window->chatModel().rowForeColor(4), ChatFilter::handleColor(u"Taro", 13));
    EXPECT_EQ(client.mode(), Mode::Chat);
    EXPECT_EQ(board.received(1), "demo\r\ndemo\r\nC\r\nE\r\n");
}

}  // namespace
