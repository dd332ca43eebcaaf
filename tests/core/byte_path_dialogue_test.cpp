// The dialogue over the whole byte path: bytes from the host through the
// telnet layer, the decoder and the control-sequence reader into lines,
// replies and the status bar.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "common/Cp932.h"
#include "support/DialogueFixture.h"
#include "support/RowTest.h"

using namespace Qt::StringLiterals;

namespace {

constexpr char IAC = char(0xFF), DO = char(0xFD), WONT = char(0xFC), WILL = char(0xFB);
constexpr char ECHO = 1, SGA = 3, TTYPE = 0x18;

QByteArray sjis(const QString& text)
{
    return Cp932::encode(text).bytes;
}

QByteArray command(char verb, char option)
{
    const char bytes[] = {IAC, verb, option};
    return QByteArray(bytes, 3);
}

QStringList replies(const QStringList& texts)
{
    QStringList out;
    for (const QString& t : texts)
        out.append(t + u"\r\n"_s);
    return out;
}

void useAccount(WiredDialogue& d, const QString& handle = u"Taro"_s)
{
    d.setSetting(u"UserID"_s, u"demo"_s);
    d.setSetting(u"Password"_s, u"pw"_s);
    d.setSetting(u"HandleName"_s, handle);
}

// A connected dialogue fed `stream` whole, or cut in two at `cut`.
std::unique_ptr<WiredDialogue> fed(const QByteArray& stream, qsizetype cut = -1)
{
    auto d = std::make_unique<WiredDialogue>();
    useAccount(*d);
    d->connect();
    if (cut < 0) {
        d->socket.pushBytes(stream);
    } else {
        d->socket.pushBytes(stream.first(cut));
        d->socket.pushBytes(stream.sliced(cut));
    }
    return d;
}

std::string testName(const char* name)
{
    std::string out;
    for (const char* p = name; *p; ++p)
        out += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return out;
}

TEST(BytePathLogIn, BehindNegotiationWithCrNulLineEndsWholeAndCutAnywhere)
{
    const QByteArray stream = command(WILL, ECHO) + command(WILL, SGA) + command(DO, TTYPE) +
                              sjis(u"ようこそ\r"_s) + QByteArray(1, '\0') + sjis(u"User ID= "_s) +
                              QByteArray("\r\0Password= \r\0", 14) + command(DO, SGA) + command(WILL, ECHO) +
                              sjis(u"MAIN (C,I,G,?)> "_s);
    const QByteArray answers =
        command(DO, ECHO) + command(DO, SGA) + command(WONT, TTYPE) + command(WILL, SGA);
    const QStringList rows{u"ようこそ"_s, u"User ID= "_s, u"Password= "_s, u"MAIN (C,I,G,?)> "_s};
    for (qsizetype cut = -1; cut <= stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        const auto d = fed(stream, cut);
        EXPECT_EQ(d->socket.sentRaw(), answers);
        EXPECT_EQ(d->sent(), replies({u"demo"_s, u"pw"_s}));
        EXPECT_EQ(d->terminalRows(), rows);
        EXPECT_EQ(d->dialogue.currentMode(), Mode::Main);
        EXPECT_EQ(d->captions()[0], u"ログアウト"_s);
    }
}

// Rows of what the host sent, whole and cut at every byte.
struct RowsCase : NamedRow<RowsCase> {
    QString received;
    QString rows;  // a line feed between each two
};

const RowsCase kRowsCases[] = {
    {"LF only", u"a\nb\nc"_s, u"a\nb\nc"_s},
    {"CR LF", u"a\r\nb"_s, u"a\nb"_s},
    {"LF CR", u"a\n\rb"_s, u"a\nb"_s},
    {"CR CR", u"a\r\rb"_s, u"a\n\nb"_s},
    {"LF LF", u"a\n\nb"_s, u"a\n\nb"_s},
    {"LF CR LF CR", u"a\n\r\n\rb"_s, u"a\n\nb"_s},
    {"style between CR and LF", u"a\r\x1b[31m\nb"_s, u"a\nb"_s},
    {"TAB", u"a\tb\tc"_s, u"a       b       c"_s},
    {"TAB after full-width", u"あ\tb"_s, u"あ      b"_s},
    {"TAB after half-width kana", u"ｱ\tb"_s, u"ｱ       b"_s},
    {"TAB at a full stop of eight", u"12345678\tx"_s, u"12345678        x"_s},
    {"TAB after four full-width", u"あいうえ\tx"_s, u"あいうえ        x"_s},
    {"TABs at line start", u"abc\r\n\t\tx"_s, u"abc\n                x"_s},
    {"TAB after BS", u"abc\b\b\tx"_s, u"a       x"_s},
    {"BS then text replaces", u"abc\bX"_s, u"abX"_s},
    {"BS at the end leaves the line", u"abc\b"_s, u"abc"_s},
    {"BS before a line end leaves the line", u"abc\b\r\nd"_s, u"abc\nd"_s},
    {"more BS than characters", u"ab\b\b\b\bX"_s, u"X"_s},
    {"BS over full-width", u"あいう\bえ"_s, u"あいえ"_s},
    {"BS twice over", u"abc\b\bX\bY"_s, u"aY"_s},
    {"BEL draws nothing", u"a\ab"_s, u"ab"_s},
    {"sequences draw nothing", u"\x1b]0;title\a\x1b[2J\x1b[Hx\x1b[K"_s, u"x"_s},
};

using BytePathRows = RowTest<::testing::Test, RowsCase>;

TEST_P(BytePathRows, WholeAndCutAnywhere)
{
    const QByteArray stream = sjis(GetParam().received);
    const QStringList rows = GetParam().rows.split(u'\n');
    for (qsizetype cut = -1; cut <= stream.size(); ++cut)
        EXPECT_EQ(fed(stream, cut)->terminalRows(), rows) << "cut at " << cut;
}

INSTANTIATE_TEST_SUITE_P(BytePath, BytePathRows, ::testing::ValuesIn(kRowsCases),
                         [](const auto& info) { return testName(info.param.name); });

class BytePathDialogue : public DialogueFixture {
protected:
    void SetUp() override { useAccount(*this); }
    // Connected and at the main menu; nothing sent so far.
    void loggedIn()
    {
        connect();
        receive(u"MAIN (C,I,G,?)> "_s);
        ASSERT_EQ(dialogue.currentMode(), Mode::Main);
        socket.clearSent();
    }
    int countSent(const QString& reply) const { return int(sent().count(reply + u"\r\n"_s)); }

    struct Run {
        qsizetype offset;
        TextStyle style;
        friend bool operator==(const Run&, const Run&) = default;
        friend void PrintTo(const Run& r, std::ostream* os)
        {
            *os << '{' << r.offset << std::hex << " fore " << r.style.fore << " back " << r.style.back
                << " flags " << int(r.style.flags) << std::dec << '}';
        }
    };
    std::vector<Run> runs(int row) const
    {
        std::vector<Run> out;
        const GridModel::StyleRuns all = terminal.styleRuns(1, row);
        for (const GridModel::StyleRun* r = all.begin; r != all.end; ++r)
            out.push_back({r->offset, r->style});
        return out;
    }
};

TEST_F(BytePathDialogue, LongLineWithManyBackspaces)
{
    connect();
    socket.pushBytes(QByteArray(200000, 'x') + QByteArray(150000, '\b') + "yz\r\n");
    QByteArray stutter;
    for (int i = 0; i < 100000; ++i)
        stutter += "x\b";
    socket.pushBytes(stutter + "\r\n");
    EXPECT_EQ(terminalRows(), (QStringList{QString(50000, u'x') + u"yz"_s, u"x"_s, u""_s}));
}

TEST_F(BytePathDialogue, BackspacedPromptWordsAreForgotten)
{
    connect();
    receive(u"User ID\b\b\b\b\b\b\bName= "_s);
    EXPECT_TRUE(sent().isEmpty()) << "the user-ID prompt was taken back";
    receive(u"\r\nPassw\b\b\b\b\bUser ID= "_s);
    EXPECT_EQ(sent(), replies({u"demo"_s}));
    EXPECT_EQ(terminalRows(), (QStringList{u"Name= "_s, u"User ID= "_s}));
}

TEST_F(BytePathDialogue, ColouredPromptIsAnsweredAtItsEqualsSign)
{
    connect();
    receive(u"\x1b[1;32mUser ID\x1b[0m"_s);
    EXPECT_TRUE(sent().isEmpty());
    receive(u"="_s);
    EXPECT_EQ(sent(), replies({u"demo"_s}));
    receive(u" "_s);
    EXPECT_EQ(sent(), replies({u"demo"_s})) << "answered once";
}

TEST_F(BytePathDialogue, BellAlertsTheUser)
{
    connect();
    socket.pushBytes("a\ab\x07\r\n\x07");
    EXPECT_EQ(window.alertCount, 3);
    EXPECT_EQ(terminalRows(), (QStringList{u"ab"_s, u""_s}));
}

TEST_F(BytePathDialogue, StyleRunsOfColouredLines)
{
    connect();
    receive(u"\x1b[31mred\x1b[0m plain \x1b[1;44mbold\r\nnext\x1b[0m!\r\n\x1b[32mabc\x1b[33m\b\bX"_s);
    const TextStyle red{TextStyle::indexed(1), 0, 0}, boldBlue{0, TextStyle::indexed(4), TextStyle::Bold};
    EXPECT_EQ(terminalRows(), (QStringList{u"red plain bold"_s, u"next!"_s, u"aX"_s}));
    EXPECT_EQ(runs(1), (std::vector<Run>{{0, red}, {3, TextStyle()}, {10, boldBlue}}));
    EXPECT_EQ(runs(2), (std::vector<Run>{{0, boldBlue}, {4, TextStyle()}})) << "the style carries over";
    EXPECT_EQ(runs(3), (std::vector<Run>{{0, TextStyle{TextStyle::indexed(2), 0, 0}},
                                         {1, TextStyle{TextStyle::indexed(3), 0, 0}}}))
        << "text after a BS replaces the old style";
}

TEST_F(BytePathDialogue, KeysLookPastSpacesAfterThePrompt)
{
    const struct {
        const char* prompt;
        int key;
        QString reply;
    } cases[] = {
        {"MAIN (C,I,G,?)> ", 1, u"G"_s},
        {"MAIN (C,I,G,?)> ", 2, u"C"_s},
        {"MAIN (C,I,G,?)>\x1b[0m", 1, u"G"_s},
        {"\x1b[1mMAIN (C,I,G,?)>\x1b[0m  ", 2, u"C"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.prompt);
        loggedIn();
        socket.pushBytes(QByteArray("\r\n") + c.prompt);
        EXPECT_TRUE(sent().isEmpty());
        dialogue.functionKeyPressed(c.key);
        EXPECT_EQ(sent(), replies({c.reply}));
        socket.hostCloses();
    }
}

TEST_F(BytePathDialogue, ReceivedSpaceAfterThePromptTriggersNothing)
{
    loggedIn();
    receive(u"\r\n"_s);
    dialogue.functionKeyPressed(2);
    receive(u"MAIN (C,I,G,?)>"_s);
    receive(u" "_s);
    receive(u"  "_s);
    EXPECT_EQ(sent(), replies({u"C"_s}));
}

const QString kNoHandleStatus =
    u"ボードのプロフィールにハンドル名がありませんでした（ハンドル名は「設定」で指定できます）"_s;

TEST_F(BytePathDialogue, HandleLookupRunsOncePerConnection)
{
    const QString main = u"\r\nMAIN (C,I,G,?)> "_s, install = u"\r\nINSTALL (1,2,3,?,0)> "_s;
    const struct {
        const char* name;
        QStringList host;
        QStringList sent;
        QString handle;
    } cases[] = {
        {"no handle line",
         {main, install, u"\r\nN: 名前 : 太郎"_s + install, main, install, main},
         {u"I"_s, u"?"_s, u"0"_s},
         {}},
        {"main menu again after I", {main, main, install, main}, {u"I"_s}, {}},
        {"handle line",
         {main, install, u"\r\nH: ハンドル名 : Hanako"_s + install, main, install},
         {u"I"_s, u"?"_s, u"0"_s},
         u"Hanako"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        setSetting(u"HandleName"_s, u""_s);
        window.statuses.clear();
        connect();
        for (const QString& block : c.host)
            receive(block);
        EXPECT_EQ(sent(), replies(c.sent));
        EXPECT_EQ(dialogue.settings().HandleName, c.handle);
        EXPECT_EQ(dialogue.pendingCommand(), Command::None);
        EXPECT_EQ(window.statuses.contains(kNoHandleStatus), c.handle.isEmpty());
        socket.hostCloses();
    }
}

TEST_F(BytePathDialogue, RepeatedRepliesAreStoppedUntilAKey)
{
    const QString prompt = u"\r\nMAIN (C,I,G,?)> "_s;
    const QString stopped =
        u"同じ自動応答「G」が短い間に繰り返されたため、自動応答を止めました（キー操作で再開します）"_s;
    loggedIn();
    dialogue.functionKeyPressed(1);
    for (int i = 0; i < 4; ++i) {
        time.advance(1000);
        receive(prompt);
    }
    EXPECT_EQ(countSent(u"G"_s), 5);
    receive(prompt);
    EXPECT_EQ(countSent(u"G"_s), 5) << "a sixth within ten seconds";
    EXPECT_EQ(window.statuses.last(), stopped);
    EXPECT_EQ(dialogue.pendingCommand(), Command::None);
    time.advance(10001);
    receive(prompt);
    EXPECT_EQ(countSent(u"G"_s), 5) << "stopped until a key";
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(countSent(u"G"_s), 6);
}

TEST_F(BytePathDialogue, RepliesSpreadOverMoreThanTenSecondsGoOut)
{
    loggedIn();
    dialogue.functionKeyPressed(1);
    for (int i = 0; i < 7; ++i) {
        time.advance(2001);
        receive(u"\r\nMAIN (C,I,G,?)> "_s);
    }
    EXPECT_EQ(countSent(u"G"_s), 8);
    EXPECT_EQ(dialogue.pendingCommand(), Command::LogOut);
}

TEST_F(BytePathDialogue, MembersQuotingMenusInTheRoomMoveNothing)
{
    enterChat();
    receive(u"Bob>MAIN (C,I,G,?)>\r\nBob>CHAT (E,W,0,?)>\r\n"_s);
    EXPECT_EQ(dialogue.currentMode(), Mode::Chat);
    EXPECT_TRUE(sent().isEmpty());
    dialogue.functionKeyPressed(2);
    EXPECT_EQ(sent(), replies({u"//"_s}));
    receive(u"Bob>CHAT (E,W,0,?)>"_s);
    EXPECT_EQ(sent(), replies({u"//"_s})) << "no 0 for a member's line";
    EXPECT_EQ(dialogue.currentMode(), Mode::Chat);
    receive(u"\r\nCHAT (E,W,0,?)>"_s);
    EXPECT_EQ(sent(), replies({u"//"_s, u"0"_s}));
    EXPECT_EQ(dialogue.currentMode(), Mode::Main);
}

TEST_F(BytePathDialogue, AbortUntilTheMainMenu)
{
    setSetting(u"ConnectionAddress"_s, u"bbs.example.jp"_s);
    setSetting(u"ConnectionPort"_s, u"2323"_s);
    dialogue.functionKeyPressed(1);
    socket.setState(TelnetSocket::Connected);
    ASSERT_FALSE(window.statuses.isEmpty());
    EXPECT_EQ(window.statuses.last(), u"接続中… bbs.example.jp:2323"_s);
    dialogue.onConnected();
    EXPECT_EQ(window.statuses.last(), u"ログイン中"_s);
    receive(u"User ID= "_s);
    EXPECT_EQ(captions()[0], u"中止"_s);
    dialogue.functionKeyPressed(1);
    EXPECT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_EQ(captions()[0], u"ログイン"_s);
    EXPECT_EQ(socket.state(), TelnetSocket::Closed);
    EXPECT_EQ(window.statuses.last(), u"接続を中止しました"_s);
}

TEST_F(BytePathDialogue, StatusTextsAlongTheSession)
{
    enterChat();
    EXPECT_TRUE(window.statuses.contains(u"チャットルーム"_s));
    receive(u"CHAT (E,W,0,?)>\r\nMAIN (C,I,G,?)> "_s);
    EXPECT_EQ(window.statuses.last(), u"メインメニュー"_s);
    EXPECT_EQ(captions()[0], u"ログアウト"_s);
    dialogue.functionKeyPressed(1);
    socket.hostCloses();
    EXPECT_EQ(window.statuses.last(), u"ログアウトしました"_s);
    loggedIn();
    socket.hostCloses();
    EXPECT_EQ(window.statuses.last(), u"ホストが接続を終了しました"_s);
}

TEST_F(BytePathDialogue, TypedLineRefusedWhileTheHostReadsNothing)
{
    loggedIn();
    window.input = u"hello"_s;
    socket.setUnsentBytes((1 << 20) + 1);
    dialogue.inputLineEnter();
    EXPECT_TRUE(sent().isEmpty());
    EXPECT_EQ(window.input, u"hello"_s);
    EXPECT_EQ(window.statuses.last(), u"ホストが受信していないため送信を止めています"_s);
    socket.setUnsentBytes(1000);
    dialogue.inputLineEnter();
    EXPECT_EQ(sent(), replies({u"hello"_s}));
    EXPECT_EQ(window.input, u""_s);
    // A long line of its own is no reason to refuse while the host reads.
    socket.setUnsentBytes(0);
    window.input = QString(600000, u'x');
    dialogue.inputLineEnter();
    EXPECT_EQ(sent().size(), 2);
}

}  // namespace

namespace {

// A telnet host that echoes sends the typed line back before its own
// statement of it: the echo is the user's typing, not a row of the room.
TEST(TelnetEcho, AnEchoOfATypedLineIsNoChatRow)
{
    for (const bool echoing : {true, false}) {
        SCOPED_TRACE(echoing);
        WiredDialogue d;
        d.setSetting(u"HandleName"_s, u"Taro"_s);
        d.enterChat();
        if (echoing)
            d.socket.pushBytes(command(WILL, ECHO));
        d.window.input = u"hello"_s;
        d.dialogue.inputLineEnter();
        d.receive(u"hello\r\n発言>hello\r\nJiro>hello\r\n"_s);
        std::vector<ChatRow> expected = {
            {u""_s, kEntryLine}, {u"Taro"_s, u"hello"_s}, {u"Jiro"_s, u"hello"_s}};
        if (!echoing)
            expected.insert(expected.begin() + 1, {u""_s, u"hello"_s});
        EXPECT_EQ(d.chatRows(), expected);
    }
}

}  // namespace
