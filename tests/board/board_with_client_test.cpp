#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "Board.h"
#include "BoardSession.h"
#include "support/DialogueFixture.h"
#include "support/RowTest.h"

namespace {

// The client's dialogue playing against the board's session, with nothing in
// between: what the client sends is what the board reads, and back.
class BoardWithClientTest : public DialogueFixture {
protected:
    BoardWithClientTest()
    {
        board.accounts = BoardAccounts::parse(QStringLiteral("demo:demo:たろう\nhanako:hanako:\n"));
        setSetting("UserID", "demo");
        setSetting("Password", "demo");
        setSetting("HandleName", "たろう");
        setSetting("AutoGetHandleName", "True");
    }

    // F1 at line-off: the connection opens and the board greets.
    void logIn()
    {
        dialogue.functionKeyPressed(1);
        socket.setState(TelnetSocket::Connected);
        session = std::make_unique<BoardSession>(board);
        session->onOutput = [this](const QString& text) { fromBoard += text; };
        session->onClose = [this] { boardClosed = true; };
        session->start();
        pump();
    }

    void press(int key)
    {
        dialogue.functionKeyPressed(key);
        pump();
    }

    void enter(const QString& text)
    {
        window.input = text;
        dialogue.inputLineEnter();
        pump();
    }

    // Passes text both ways until neither side has anything more to say.
    void pump()
    {
        for (int round = 0; round < 100; ++round) {
            if (!fromBoard.isEmpty()) {
                const QString text = std::exchange(fromBoard, {});
                receive(text);
            }
            const QStringList sentNow = sent();
            if (sentNow.size() == fed && fromBoard.isEmpty()) {
                if (boardClosed && socket.state() != TelnetSocket::Closing)
                    socket.hostCloses();
                return;
            }
            for (; fed < sentNow.size(); ++fed)
                session->receive(sentNow[fed]);
        }
        FAIL() << "the dialogue never settles";
    }

    QString lastTerminalRow() const { return terminalRows().isEmpty() ? QString() : terminalRows().last(); }

    Board board;
    std::unique_ptr<BoardSession> session;
    QString fromBoard;
    qsizetype fed = 0;
    bool boardClosed = false;
};

TEST_F(BoardWithClientTest, LogInChatAndLogOut)
{
    logIn();
    EXPECT_EQ(session->stage(), BoardSession::Stage::Main);
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);

    press(2);  // チャットイン
    EXPECT_EQ(session->stage(), BoardSession::Stage::Room);
    EXPECT_EQ(dialogue.currentMode(), Mode::Chat);

    enter(QStringLiteral("こんにちは"));
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{
                              {"SYSOP", "たろうさんがチャットルームに入室しました。"},
                              {"SYSOP", "/? でヘルプ、// で退室します。"},
                              {"たろう", "こんにちは"},
                          }))
        << "the statement shows once, under the user's handle";

    press(7);  // ヘルプ
    EXPECT_EQ(session->stage(), BoardSession::Stage::Room);
    EXPECT_EQ(lastTerminalRow(), QString());

    press(2);  // チャットアウト
    EXPECT_EQ(session->stage(), BoardSession::Stage::Main);
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_TRUE(lastTerminalRow().startsWith(QStringLiteral("MAIN (")));

    press(1);  // ログアウト
    EXPECT_EQ(session->stage(), BoardSession::Stage::Closed);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
}

TEST_F(BoardWithClientTest, HandleIsFetchedFromTheProfileListing)
{
    setSetting("HandleName", "");
    logIn();
    EXPECT_EQ(dialogue.settings().HandleName, QStringLiteral("たろう"));
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    EXPECT_EQ(session->stage(), BoardSession::Stage::Main);
}

// The board asks for the handle; the answer comes from the settings.
struct HandleCase : NamedRow<HandleCase> {
    std::vector<std::pair<const char*, const char*>> settings;
    const char* handle;
};

using HandlesFromSettings = RowTest<BoardWithClientTest, HandleCase>;

TEST_P(HandlesFromSettings, HandlePromptIsAnswered)
{
    for (const auto& [key, value] : GetParam().settings)
        setSetting(key, value);
    logIn();
    EXPECT_EQ(session->handle(), QString::fromUtf8(GetParam().handle));
    EXPECT_EQ(session->stage(), BoardSession::Stage::Main);
}

INSTANTIATE_TEST_SUITE_P(
    BoardWithClient, HandlesFromSettings,
    ::testing::Values(
        HandleCase{"Member", {{"UserID", "hanako"}, {"Password", "hanako"}, {"HandleName", "花子"}}, "花子"},
        HandleCase{"Guest", {{"GuestFlag", "True"}, {"HandleName", "Jiro"}}, "Jiro"}),
    RowName());

TEST_F(BoardWithClientTest, RefusedLogInLeavesTheBoardWaiting)
{
    setSetting("Password", "wrong");
    logIn();
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    EXPECT_EQ(session->stage(), BoardSession::Stage::UserId);
    EXPECT_EQ(lastTerminalRow(), QStringLiteral("User ID ="));
}

}  // namespace
