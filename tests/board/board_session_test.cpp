#include "BoardSession.h"

#include <gtest/gtest.h>

#include <memory>

#include "Board.h"
#include "RoomChatter.h"
#include "common/Cp932.h"
#include "support/FakeTime.h"

namespace {

const QString kMainPrompt = QStringLiteral("MAIN (G,C,I,?) >");
const QString kChatPrompt = QStringLiteral("CHAT (E,W,0,?) >");
const QString kInstallPrompt = QStringLiteral("INSTALL (?,0) >");
const QString kRefusal = QStringLiteral("\r\nUserID または Password が間違っています｡\r\nUser ID =");

// A user at the keyboard: what the board wrote since the last typed line.
struct User {
    explicit User(Board& board) : session(board)
    {
        session.onOutput = [this](const QString& text) { out += text; };
        session.onClose = [this] { ++closes; };
        session.start();
    }

    QString type(const QString& line)
    {
        out.clear();
        session.receive(QString(line + QStringLiteral("\r\n")));
        return out;
    }

    QString typeAll(const QStringList& lines)
    {
        QString all;
        for (const QString& line : lines)
            all += type(line);
        return all;
    }

    BoardSession session;
    QString out;
    int closes = 0;
};

// The client's own reading of a listing line: from the third character,
// after the first ":", trimmed.
QString handleFromListing(const QString& line)
{
    const QString rest = line.mid(2);
    const int colon = rest.indexOf(u':');
    return colon < 0 ? QString() : rest.mid(colon + 1).trimmed();
}

QString lineContaining(const QString& text, const QString& needle)
{
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        if (line.contains(needle))
            return line;
    }
    return {};
}

class BoardSessionTest : public ::testing::Test {
protected:
    BoardSessionTest()
    {
        board.accounts =
            BoardAccounts::parse(QStringLiteral("demo:demo:たろう\nbob:pw:Bob\nhanako:hanako:\n"));
    }

    std::unique_ptr<User> loggedIn(const QString& id, const QString& password)
    {
        auto user = std::make_unique<User>(board);
        user->typeAll({id, password});
        return user;
    }

    std::unique_ptr<User> inRoom(const QString& id, const QString& password)
    {
        auto user = loggedIn(id, password);
        user->typeAll({QStringLiteral("C"), QStringLiteral("E")});
        return user;
    }

    Board board;
};

TEST_F(BoardSessionTest, ConnectShowsBannerAndEndsOnUserIdPrompt)
{
    User user(board);
    EXPECT_TRUE(user.out.startsWith(QStringLiteral("\r\n")));
    EXPECT_TRUE(user.out.endsWith(QStringLiteral("\r\nUser ID =")));
    EXPECT_EQ(user.out.count(QStringLiteral("User ID")), 1) << "only the prompt may hold the prompt word";
}

struct LogInCase {
    const char* name;
    QStringList typed;
    QString lastOutput;  // what the last typed line produced, from its start
    QString handle;
};

TEST_F(BoardSessionTest, LogInFlows)
{
    const LogInCase cases[] = {
        {"known account with handle", {"demo", "demo"}, "\r\n\r\nようこそ、たろうさん。\r\n", "たろう"},
        {"account without handle asks", {"hanako", "hanako"}, "\r\nHandle Name =", ""},
        {"handle answered", {"hanako", "hanako", "  花子  "}, "\r\n\r\nようこそ、花子さん。\r\n", "花子"},
        {"guest asks for a handle", {"Guest", ""}, "\r\nHandle Name =", ""},
        {"guest with empty handle is numbered",
         {"Guest", "", ""},
         "\r\n\r\nようこそ、ゲスト1さん。\r\n",
         "ゲスト1"},
        {"guest names itself", {"guest", "", "Jiro"}, "\r\n\r\nようこそ、Jiroさん。\r\n", "Jiro"},
        {"empty user ID asks again", {""}, "\r\nUser ID =", ""},
    };
    for (const LogInCase& c : cases) {
        SCOPED_TRACE(c.name);
        User user(board);
        QString last;
        for (const QString& line : c.typed)
            last = user.type(line);
        EXPECT_TRUE(last.startsWith(c.lastOutput)) << qPrintable(last);
        EXPECT_EQ(user.session.handle(), c.handle);
        if (!c.handle.isEmpty()) {
            EXPECT_EQ(user.session.stage(), BoardSession::Stage::Main);
            EXPECT_TRUE(last.endsWith(QStringLiteral("\r\n") + kMainPrompt));
        }
    }
}

TEST_F(BoardSessionTest, PasswordPromptFollowsUserId)
{
    User user(board);
    EXPECT_EQ(user.type(QStringLiteral("demo")), QStringLiteral("\r\nPassword ="));
}

TEST_F(BoardSessionTest, RefusalAsksAgainThenClosesAfterThreeAttempts)
{
    User user(board);
    EXPECT_EQ(user.typeAll({"demo", "wrong"}), QStringLiteral("\r\nPassword =") + kRefusal);
    EXPECT_EQ(user.typeAll({"nobody", "demo"}), QStringLiteral("\r\nPassword =") + kRefusal);
    EXPECT_EQ(user.closes, 0);
    const QString last = user.typeAll({"Demo", "demo"});
    EXPECT_TRUE(last.contains(QStringLiteral("UserID または Password が間違っています｡\r\n")));
    EXPECT_FALSE(last.endsWith(u'='));
    EXPECT_EQ(user.closes, 1);
    EXPECT_EQ(user.session.stage(), BoardSession::Stage::Closed);
    EXPECT_EQ(user.typeAll({"demo", "demo"}), QString()) << "a closed session says nothing";
}

TEST_F(BoardSessionTest, RefusalThenCorrectLogInSucceeds)
{
    User user(board);
    user.typeAll({"demo", "x", "demo", "x"});
    EXPECT_TRUE(user.typeAll({"demo", "demo"}).endsWith(kMainPrompt));
}

TEST_F(BoardSessionTest, UnusableHandlesAreRefusedAndThreeCloseTheConnection)
{
    User user(board);
    user.typeAll({"hanako", "wrong", "hanako", "wrong"});
    user.typeAll({"hanako", "hanako"});
    EXPECT_EQ(user.closes, 0) << "refused log-ins do not count against the handle";
    for (const char* bad : {"a>b", "SYSOP"}) {
        const QString out = user.type(QString::fromUtf8(bad));
        EXPECT_TRUE(out.endsWith(QStringLiteral("\r\nHandle Name ="))) << bad;
    }
    EXPECT_EQ(user.closes, 0);
    user.type(QString());
    EXPECT_EQ(user.closes, 1);
}

struct MenuCase {
    const char* name;
    QStringList typed;
    BoardSession::Stage stage;
    QString prompt;
};

TEST_F(BoardSessionTest, MenusAnswerEveryCommandWithTheirPrompt)
{
    using S = BoardSession::Stage;
    const MenuCase cases[] = {
        {"main help", {"?"}, S::Main, kMainPrompt},
        {"main unknown", {"x"}, S::Main, kMainPrompt},
        {"main empty line", {""}, S::Main, kMainPrompt},
        {"main to chat menu", {"C"}, S::ChatMenu, kChatPrompt},
        {"lower case works", {"c"}, S::ChatMenu, kChatPrompt},
        {"chat help", {"C", "?"}, S::ChatMenu, kChatPrompt},
        {"chat who", {"C", "W"}, S::ChatMenu, kChatPrompt},
        {"chat unknown", {"C", "Q"}, S::ChatMenu, kChatPrompt},
        {"chat back to main", {"C", "0"}, S::Main, kMainPrompt},
        {"main to profile", {"I"}, S::Profile, kInstallPrompt},
        {"profile listing", {"I", "?"}, S::Profile, kInstallPrompt},
        {"profile unknown", {"I", "H"}, S::Profile, kInstallPrompt},
        {"profile back to main", {"I", "0"}, S::Main, kMainPrompt},
    };
    for (const MenuCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto user = loggedIn("demo", "demo");
        const QString out = user->typeAll(c.typed);
        EXPECT_EQ(user->session.stage(), c.stage);
        EXPECT_TRUE(out.startsWith(QStringLiteral("\r\n"))) << "the prompt's row is ended first";
        EXPECT_TRUE(out.endsWith(QStringLiteral("\r\n") + c.prompt)) << qPrintable(out);
        EXPECT_EQ(user->closes, 0);
    }
}

TEST_F(BoardSessionTest, UnknownCommandIsNotRepeatedBack)
{
    auto user = loggedIn("demo", "demo");
    const QString out = user->type(QStringLiteral("MAIN (x>"));
    EXPECT_EQ(out.count(QStringLiteral("MAIN (")), 1);
    EXPECT_TRUE(out.contains(QStringLiteral("そのコマンドはありません。")));
}

TEST_F(BoardSessionTest, ProfileListingCarriesTheHandleLine)
{
    for (const auto& [id, handle] : {std::pair{"demo", "たろう"}, std::pair{"bob", "Bob"}}) {
        auto user = loggedIn(id, id == QStringLiteral("demo") ? "demo" : "pw");
        user->type(QStringLiteral("I"));
        const QString listing = user->type(QStringLiteral("?"));
        const QString line = lineContaining(listing, QStringLiteral("H: ハンドル名"));
        EXPECT_EQ(line, QStringLiteral("H: ハンドル名   :  %1  ").arg(QString::fromUtf8(handle)));
        EXPECT_EQ(handleFromListing(line), QString::fromUtf8(handle));
        EXPECT_EQ(listing.count(QStringLiteral("H: ハンドル名")), 1);
    }
}

TEST_F(BoardSessionTest, ProfileListingShowsTheHandleGivenAtLogIn)
{
    User user(board);
    user.typeAll({"hanako", "hanako", "花子"});
    user.type(QStringLiteral("I"));
    EXPECT_EQ(
        handleFromListing(lineContaining(user.type(QStringLiteral("?")), QStringLiteral("H: ハンドル名"))),
        QStringLiteral("花子"));
}

TEST_F(BoardSessionTest, LogOutSaysGoodbyeAndCloses)
{
    auto user = loggedIn("demo", "demo");
    const QString out = user->type(QStringLiteral("G"));
    EXPECT_EQ(out, QStringLiteral("\r\nご利用ありがとうございました。さようなら。\r\n"));
    EXPECT_EQ(user->closes, 1);
    EXPECT_EQ(user->session.stage(), BoardSession::Stage::Closed);
}

TEST_F(BoardSessionTest, LinesAfterLogOutInTheSameBlockAreIgnored)
{
    auto user = loggedIn("demo", "demo");
    user->out.clear();
    user->session.receive(u"G\r\nC\r\nE\r\n");
    EXPECT_EQ(user->closes, 1);
    EXPECT_FALSE(user->out.contains(QStringLiteral("CHAT (")));
}

TEST_F(BoardSessionTest, EnteringTheRoomAnnouncesItAndLeavesTheLineEmpty)
{
    auto user = loggedIn("demo", "demo");
    user->type(QStringLiteral("C"));
    const QString out = user->type(QStringLiteral("E"));
    EXPECT_EQ(out, QStringLiteral("\r\nSYSOP>たろうさんがチャットルームに入室しました。\r\n"
                                  "SYSOP>/? でヘルプ、// で退室します。\r\n"));
    const QString message = out.split(QStringLiteral("\r\n"))[1].section(u'>', 1);
    EXPECT_TRUE(message.contains(QStringLiteral("チャットルーム")));
    EXPECT_TRUE(message.endsWith(QStringLiteral("入室しました。")));
    EXPECT_EQ(user->session.stage(), BoardSession::Stage::Room);
}

TEST_F(BoardSessionTest, StatementEchoesToSenderAndReachesOthers)
{
    auto taro = inRoom("demo", "demo");
    auto bob = inRoom("bob", "pw");
    taro->out.clear();
    EXPECT_EQ(bob->type(QStringLiteral("hi>there ")), QStringLiteral("発言>hi>there \r\nBob>hi>there \r\n"));
    EXPECT_EQ(taro->out, QStringLiteral("Bob>hi>there \r\n"));
    bob->out.clear();
    EXPECT_EQ(taro->type(QStringLiteral("こんにちは")),
              QStringLiteral("発言>こんにちは\r\nたろう>こんにちは\r\n"));
    EXPECT_EQ(bob->out, QStringLiteral("たろう>こんにちは\r\n"));
}

TEST_F(BoardSessionTest, OthersSeeEntryAndLeavingButNotAsTheirOwnEntry)
{
    auto taro = inRoom("demo", "demo");
    taro->out.clear();
    auto bob = inRoom("bob", "pw");
    EXPECT_EQ(taro->out, QStringLiteral("SYSOP>Bobさんが入ってきました。\r\n"));
    EXPECT_FALSE(taro->out.contains(QStringLiteral("入室しました。")))
        << "the client would take it for its own entry";
    taro->out.clear();
    EXPECT_EQ(bob->type(QStringLiteral("//")),
              QStringLiteral("SYSOP>チャットルームから退室しました。\r\n") + kChatPrompt);
    EXPECT_EQ(taro->out, QStringLiteral("SYSOP>Bobさんが退室しました。\r\n"));
    bob->type(QStringLiteral("E"));
    taro->out.clear();
    bob.reset();
    EXPECT_EQ(taro->out, QStringLiteral("SYSOP>Bobさんが退室しました。\r\n"))
        << "a dropped connection leaves too";
}

TEST_F(BoardSessionTest, LeavingReturnsToChatMenuAndZeroToMain)
{
    auto user = inRoom("demo", "demo");
    user->type(QStringLiteral("//"));
    EXPECT_EQ(user->session.stage(), BoardSession::Stage::ChatMenu);
    EXPECT_TRUE(user->type(QStringLiteral("0")).endsWith(kMainPrompt));
    EXPECT_FALSE(board.room.contains(&user->session));
}

struct RoomCommandCase {
    const char* name;
    QString typed;
    QString expected;  // exact output, or a part of it when `partial`
    bool partial;
};

TEST_F(BoardSessionTest, RoomCommandsAndOddLines)
{
    const RoomCommandCase cases[] = {
        {"help", "/?",
         "チャットルームのコマンド:\r\n  /?  この説明を表示します。\r\n"
         "  /w  チャットルームにいる人を表示します。\r\n  //  チャットルームから出ます。\r\n",
         false},
        {"who", "/w", "在室者: たろう\r\n", false},
        {"unknown command", "/zz", "そのコマンドはありません。/? でヘルプを表示します。\r\n", false},
        {"empty line says nothing", "", "", false},
        {"spaces only say nothing", "   ", "", false},
        {"leading space is a statement", " /?", "発言> /?\r\n", true},
        {"control characters are dropped",
         QStringLiteral("a\x01"
                        "b\x1b"
                        "c"),
         "発言>abc\r\nたろう>abc\r\n", false},
    };
    for (const RoomCommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto user = inRoom("demo", "demo");
        const QString out = user->type(c.typed);
        if (c.partial)
            EXPECT_TRUE(out.contains(c.expected)) << qPrintable(out);
        else
            EXPECT_EQ(out, c.expected);
        EXPECT_EQ(user->session.stage(), BoardSession::Stage::Room);
    }
}

TEST_F(BoardSessionTest, OverlongLineIsRefusedAndTheNextLineWorks)
{
    auto taro = inRoom("demo", "demo");
    auto bob = inRoom("bob", "pw");
    bob->out.clear();
    const QString longLine(BoardSession::kMaxLineLength + 1, u'x');
    EXPECT_EQ(taro->type(longLine), QStringLiteral("入力行が長すぎます (4096 文字まで)。\r\n"));
    EXPECT_EQ(bob->out, QString());
    EXPECT_EQ(taro->type(QStringLiteral("ok")), QStringLiteral("発言>ok\r\nたろう>ok\r\n"));
    const QString longest(BoardSession::kMaxLineLength, u'y');
    EXPECT_EQ(taro->type(longest), QStringLiteral("発言>%1\r\nたろう>%1\r\n").arg(longest));

    auto user = loggedIn("demo", "demo");
    const QString out = user->type(longLine);
    EXPECT_TRUE(out.contains(QStringLiteral("長すぎます")));
    EXPECT_TRUE(out.endsWith(kMainPrompt));
}

struct FramingCase {
    const char* name;
    QStringList pieces;
    int chatPrompts;
};

TEST_F(BoardSessionTest, LineEndsInAnyFormAndAnyPieces)
{
    const FramingCase cases[] = {
        {"CR LF", {"C\r\n"}, 1},
        {"CR alone", {"C\r"}, 1},
        {"LF alone", {"C\n"}, 1},
        {"CR NUL", {QString::fromUtf8("C\r\0", 3)}, 1},
        {"CR and LF in separate blocks", {"C", "\r", "\n"}, 1},
        {"two lines in one block", {"C\r\n?\r\n"}, 2},
        {"no line end yet", {"C"}, 0},
    };
    for (const FramingCase& c : cases) {
        SCOPED_TRACE(c.name);
        auto user = loggedIn("demo", "demo");
        user->out.clear();
        for (const QString& piece : c.pieces)
            user->session.receive(piece);
        EXPECT_EQ(user->out.count(kChatPrompt), c.chatPrompts);
        EXPECT_EQ(user->out.count(QStringLiteral("MAIN (")), 0) << "no empty line was seen";
    }
}

TEST_F(BoardSessionTest, SimulatedMembersTakeTurnsInTheRoom)
{
    FakeTimeSource time;
    RoomChatter chatter(board.room, time, 1000);
    auto user = inRoom("demo", "demo");
    user->out.clear();
    time.advance(999);
    EXPECT_EQ(user->out, QString());
    time.advance(1);
    EXPECT_EQ(user->out, QStringLiteral("花子>こんにちは\r\n"));
    time.advance(2000);
    EXPECT_EQ(user->out, QStringLiteral("花子>こんにちは\r\nBob>hello, everyone\r\nｼﾞﾛｳ>ﾔｧ、ｹﾞﾝｷ?\r\n"));
    EXPECT_EQ(user->type(QStringLiteral("/w")), QStringLiteral("在室者: 花子, Bob, ｼﾞﾛｳ, たろう\r\n"));

    auto outside = loggedIn("bob", "pw");
    outside->out.clear();
    time.advance(1000);
    EXPECT_EQ(outside->out, QString()) << "only the room hears them";
}

TEST(RoomChatterTest, EverySimulatedLineFitsCodePage932)
{
    for (const RoomChatter::Resident& resident : RoomChatter::residents()) {
        EXPECT_TRUE(handleProblem(resident.handle).isEmpty()) << qPrintable(resident.handle);
        for (const QString& line : resident.lines)
            EXPECT_TRUE(Cp932::encode(resident.handle + u'>' + line).exact) << qPrintable(line);
    }
}

}  // namespace
