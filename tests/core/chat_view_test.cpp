// The chat view: which lines become rows, the room-entry announcement, the
// speaker colours and the column widths.

#include <limits>

#include "common/ReadableColor.h"
#include "support/DialogueFixture.h"
#include "support/RowTest.h"

namespace {

constexpr qint32 kGrey = 0xE0E0E0;

class ChatViewTest : public DialogueFixture {
protected:
    // In the chat room with no row yet, user handle Taro.
    void SetUp() override
    {
        setSetting("HandleName", "Taro");
        dialogue.postChatLine(QString(), kEntryLine);
        chat.setRowCount(0);
        ASSERT_EQ(dialogue.currentMode(), Mode::Chat);
    }
};

struct PostCase : NamedRow<PostCase> {
    QString handleName;
    QString handle;
    QString message;
    bool accepted;
    std::vector<ChatRow> rows;
};

using Posts = RowTest<DialogueFixture, PostCase>;

TEST_P(Posts, LineBecomesRowOrNot)
{
    const PostCase& c = GetParam();
    setSetting("HandleName", c.handleName);
    dialogue.postChatLine(QString(), kEntryLine);
    chat.setRowCount(0);
    EXPECT_EQ(dialogue.postChatLine(c.handle, c.message), c.accepted);
    EXPECT_EQ(chatRows(), c.rows);
    EXPECT_TRUE(chatView.redraw());
}

INSTANTIATE_TEST_SUITE_P(
    Chat, Posts,
    ::testing::Values(
        PostCase{"Plain", "Taro", "Jiro", "hi>there", true, {{"Jiro", "hi>there"}}},
        PostCase{"EmptyMessage", "Taro", "Jiro", "", true, {{"Jiro", ""}}},
        PostCase{"NoHandle", "Taro", "", "notice", true, {{"", "notice"}}},
        PostCase{"OwnStatement", "Taro", "発言", "hello", true, {{"Taro", "hello"}}},
        PostCase{"OwnStatementNoHandleName", "", "発言", "hello", true, {{"", "hello"}}},
        PostCase{"OwnHandleNameTrimmed", " Taro ", "発言", "x", true, {{"Taro", "x"}}},
        PostCase{"CommandPrompt", "Taro", "コマンド (H:ヘルプ)", "", false, {}},
        PostCase{"CommandWordAlone", "Taro", "コマンド", "x", true, {{"コマンド", "x"}}},
        PostCase{"CommandFullWidthParen", "Taro", "コマンド（H）", "x", true, {{"コマンド（H）", "x"}}},
        PostCase{"ChatPrompt", "Taro", "Jiro", "CHAT (lobby)>", false, {}},
        PostCase{"ChatPromptNoHandle", "Taro", "", "CHAT (E:入室)>", false, {}},
        PostCase{
            "ChatPromptNotClosed", "Taro", "Jiro", "CHAT (lobby)> hi", true, {{"Jiro", "CHAT (lobby)> hi"}}},
        PostCase{"ChatWordOtherCase", "Taro", "Jiro", "chat (lobby)>", true, {{"Jiro", "chat (lobby)>"}}}),
    RowName());

class ChatOutsideTheRoom : public DialogueFixture {};

TEST_F(ChatOutsideTheRoom, LinesAreAcceptedButAddNoRow)
{
    ASSERT_EQ(dialogue.currentMode(), Mode::LineOff);
    EXPECT_TRUE(dialogue.postChatLine("Jiro", u"hi"));
    EXPECT_EQ(chat.rowCount(), 0);
    connect();
    ASSERT_EQ(dialogue.currentMode(), Mode::Main);
    EXPECT_TRUE(dialogue.postChatLine("Jiro", u"hi"));
    EXPECT_EQ(chat.rowCount(), 0);
    EXPECT_TRUE(chatView.redraw());
}

struct EntryCase : NamedRow<EntryCase> {
    bool connected;
};

using Entries = RowTest<DialogueFixture, EntryCase>;

TEST_P(Entries, AnnouncementEntersTheRoomAndIsTheFirstRow)
{
    if (GetParam().connected)
        connect();
    EXPECT_TRUE(dialogue.postChatLine(QString(), kEntryLine));
    EXPECT_EQ(dialogue.currentMode(), Mode::Chat);
    EXPECT_EQ(window.captions[1], "チャットアウト");
    EXPECT_EQ(window.captions[0], "");
    EXPECT_TRUE(chatView.isVisible());
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"", kEntryLine}}));
}

INSTANTIATE_TEST_SUITE_P(Chat, Entries,
                         ::testing::Values(EntryCase{"FromMain", true}, EntryCase{"FromLineOff", false}),
                         RowName());

TEST_F(ChatViewTest, AnnouncementMustEndExactly)
{
    dialogue.switchScreen(Screen::Init);
    for (const char* message : {"チャットルームに入室しました", "チャットルームに入室しました。 ",
                                "ちゃっとるーむに入室しました。", "チャットルームに入室しました."}) {
        dialogue.postChatLine(QString(), QString::fromUtf8(message));
        EXPECT_EQ(dialogue.currentMode(), Mode::LineOff) << message;
    }
}

TEST_F(ChatViewTest, AnnouncementInTheRoomAppliesChatAgain)
{
    // Applied again, the mode brings back the chat screen; the captions,
    // already those of the room, are not written again.
    dialogue.switchScreen(Screen::Terminal);
    window.captionWrites.clear();
    dialogue.postChatLine("Jiro", u"Jiroさんがチャットルームに入室しました。");
    EXPECT_TRUE(chatView.isVisible());
    EXPECT_TRUE(window.captionWrites.empty());
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"Jiro", "Jiroさんがチャットルームに入室しました。"}}));
}

TEST_F(ChatViewTest, AnnouncementCountsEvenWhenRejected)
{
    dialogue.switchScreen(Screen::Init);
    EXPECT_FALSE(dialogue.postChatLine("コマンド (x)", u"チャットルームに入室しました。"));
    EXPECT_EQ(dialogue.currentMode(), Mode::Chat);
    EXPECT_EQ(chat.rowCount(), 0);
}

struct ColourCase : NamedRow<ColourCase> {
    QString handle;
    qint32 luminosity;
    qint32 colour;
};

using Colours = RowTest<::testing::Test, ColourCase>;

TEST_P(Colours, HandleColour)
{
    EXPECT_EQ(ChatFilter::handleColor(GetParam().handle, GetParam().luminosity), GetParam().colour);
}

constexpr qint32 rgb(qint64 r, qint64 g, qint64 b)
{
    return qint32((r + g * 256 + b * 65536) & 0xFFFFFF);
}

INSTANTIATE_TEST_SUITE_P(
    Chat, Colours,
    ::testing::Values(ColourCase{"AB", "AB", 13, rgb(13, 26, 0)}, ColourCase{"Empty", "", 13, 0},
                      ColourCase{"ThreeLetters", "ABC", 13, rgb(13, 26, 39)},
                      ColourCase{"OnlyFirstThreeCount", "ABCDEF", 13, rgb(13, 26, 39)},
                      ColourCase{"AtSignIsZero", "@A", 13, rgb(0, 13, 0)},
                      ColourCase{"HighNibbleIgnored", "O_o", 13, rgb(15 * 13, 15 * 13, 15 * 13)},
                      ColourCase{"DoubleByteUsesTrailByte", "あい", 13, rgb(0, 2 * 13, 0)},  // 82A0, 82A2
                      ColourCase{"HalfWidthKana", "ｱ", 13, rgb(1 * 13, 0, 0)},  // B1
                      ColourCase{"CarryIntoNextComponent", "O", 20, rgb(300, 0, 0)},
                      ColourCase{"UnmappableIsQuestionMark", "€", 13, rgb(15 * 13, 0, 0)},
                      ColourCase{"SurrogatesAreQuestionMarks", "𠮷", 13, rgb(15 * 13, 15 * 13, 0)},
                      ColourCase{"ZeroLuminosity", "ABC", 0, 0},
                      ColourCase{"HugeLuminosityKeeps24Bits", "OOO", 0x7FFFFFFF,
                                 rgb(15LL * 0x7FFFFFFF, 15LL * 0x7FFFFFFF, 15LL * 0x7FFFFFFF)},
                      ColourCase{"NegativeLuminosity", "A", -1, 0xFFFFFF}),
    RowName());

TEST(ChatColourRange, StaysInTwentyFourBits)
{
    for (qint32 luminosity : {13, 255, 2176, 100000, 0x7FFFFFFF, -5, std::numeric_limits<qint32>::min()}) {
        const qint32 colour = ChatFilter::handleColor(u"ｿソ~", luminosity);
        EXPECT_GE(colour, 0) << luminosity;
        EXPECT_LE(colour, 0xFFFFFF) << luminosity;
    }
}

TEST_F(ChatViewTest, RowColours)
{
    setSetting("Luminosity", "13");
    dialogue.postChatLine("AB", u"hi");
    dialogue.postChatLine("", u"notice");
    EXPECT_EQ(chat.rowForeColor(1), rgb(13, 26, 0));
    EXPECT_EQ(chat.rowBackColor(1), std::nullopt);
    EXPECT_EQ(chat.rowForeColor(2), std::nullopt);
    EXPECT_EQ(chat.rowBackColor(2), kGrey);
}

TEST_F(ChatViewTest, ColourFollowsLuminosity)
{
    setSetting("Luminosity", "5");
    dialogue.postChatLine("AB", u"hi");
    EXPECT_EQ(chat.rowForeColor(1), rgb(5, 10, 0));
}

struct MyColourCase : NamedRow<MyColourCase> {
    bool changeMyColor;
    QString handle;
    bool mine;
};

using MyColours = RowTest<ChatViewTest, MyColourCase>;

TEST_P(MyColours, OwnRowsInMyColour)
{
    const qint32 myColour = 0x123456;
    setSetting("ChangeMyColor", GetParam().changeMyColor ? "True" : "False");
    setSetting("MyColor", QString::number(myColour));
    dialogue.postChatLine(GetParam().handle, u"hello");
    const QString shown = GetParam().handle == "発言" ? QStringLiteral("Taro") : GetParam().handle;
    const qint32 expected = GetParam().mine ? myColour : ChatFilter::handleColor(shown, 13);
    EXPECT_EQ(chat.rowForeColor(1), expected);
}

INSTANTIATE_TEST_SUITE_P(Chat, MyColours,
                         ::testing::Values(MyColourCase{"OwnHandleOn", true, "Taro", true},
                                           MyColourCase{"OwnStatementOn", true, "発言", true},
                                           MyColourCase{"OwnHandleOff", false, "Taro", false},
                                           MyColourCase{"OtherHandleOn", true, "Jiro", false},
                                           MyColourCase{"OtherCaseOn", true, "taro", false}),
                         RowName());

struct ReadableCase {
    const char* name;
    friend void PrintTo(const ReadableCase& c, std::ostream* os) { *os << c.name; }
    QString readableColors;  // the stored setting; empty for none
    QString handle;
    qint32 background;
    bool asDesigned;  // the row shows the colour the handle gives, unchanged
};

class ReadableRows : public ChatViewTest, public ::testing::WithParamInterface<ReadableCase> {};

TEST_P(ReadableRows, FaintSpeakerColoursAreMadeReadable)
{
    const ReadableCase& c = GetParam();
    if (!c.readableColors.isEmpty())
        setSetting("ReadableColors", c.readableColors);
    dialogue.setChatBackground(c.background);
    dialogue.postChatLine(c.handle, u"hello");
    const qint32 designed = ChatFilter::handleColor(c.handle, 13);
    const qint32 shown = chat.rowForeColor(1).value_or(-1);
    if (c.asDesigned) {
        EXPECT_EQ(shown, designed);
        return;
    }
    EXPECT_NE(shown, designed);
    EXPECT_GE(ReadableColor::contrast(shown, c.background), ReadableColor::kMinimumContrast);
}

INSTANTIATE_TEST_SUITE_P(
    Chat, ReadableRows,
    ::testing::Values(ReadableCase{"FaintByDefault", "", "ジロウ", 0xFFFFFF, false},
                      ReadableCase{"FaintWhenOn", "True", "Bob", 0xFFFFFF, false},
                      ReadableCase{"FaintWhenOff", "False", "ジロウ", 0xFFFFFF, true},
                      ReadableCase{"DarkStaysOnWhite", "True", "Taro", 0xFFFFFF, true},
                      ReadableCase{"DarkOnDarkBackground", "True", "Taro", 0x202020, false},
                      ReadableCase{"DarkOnDarkBackgroundOff", "False", "Taro", 0x202020, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChatViewTest, OwnColourIsShownAsChosen)
{
    // A pale yellow the user picked stays: the user chose it in sight.
    setSetting("ChangeMyColor", "True");
    setSetting("MyColor", QString::number(0x80FFFF));
    dialogue.postChatLine("Taro", u"mine");
    EXPECT_EQ(chat.rowForeColor(1), 0x80FFFF);
}

TEST_F(ChatViewTest, RowsKeepTheColourTheyWereGiven)
{
    dialogue.postChatLine("ジロウ", u"before");
    const auto before = chat.rowForeColor(1);
    setSetting("ReadableColors", "False");
    dialogue.postChatLine("ジロウ", u"after");
    EXPECT_EQ(chat.rowForeColor(1), before);
    EXPECT_EQ(chat.rowForeColor(2), ChatFilter::handleColor(u"ジロウ", 13));
}

TEST_F(ChatViewTest, HandleColumnGrowsToTwelveHundredTwipsOnly)
{
    dialogue.postChatLine("Jiro", u"hello");
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 400);
    EXPECT_DOUBLE_EQ(chatView.columnWidth(2), 500);
    dialogue.postChatLine("ABCDEFGHIJKL", u"x");  // exactly 1200
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 1200);
    dialogue.postChatLine("ABCDEFGHIJKLMNOPQRSTUVWXYZ", u"x");
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 1200);
    const QString longMessage(300, u'x');
    dialogue.postChatLine("Jiro", longMessage);
    EXPECT_DOUBLE_EQ(chatView.columnWidth(2), 30000) << "the message column has no cap";
}

TEST_F(ChatViewTest, HandleColumnRoundsHalvesToEven)
{
    measurer.twipsPerChar = 50.5;
    dialogue.postChatLine("A", u"a");
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 50);  // 50.5
    EXPECT_DOUBLE_EQ(chatView.columnWidth(2), 50.5) << "the message column is not rounded";
    dialogue.postChatLine("AAA", u"a");
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 152);  // 151.5
}

TEST_F(ChatViewTest, RowWithoutHandleLeavesTheHandleColumnAlone)
{
    dialogue.postChatLine("", u"a notice from the board");
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 1200) << "designed width until a handle is measured";
    EXPECT_DOUBLE_EQ(chatView.columnWidth(2), 2300);
    dialogue.postChatLine("Jo", u"x");
    EXPECT_DOUBLE_EQ(chatView.columnWidth(1), 200);
}

TEST_F(ChatViewTest, NewestRowIsActive)
{
    dialogue.postChatLine("Jiro", u"one");
    dialogue.postChatLine("", u"two");
    EXPECT_EQ(chatView.activeRow(), 2);
    EXPECT_EQ(chatView.activeCol(), 2);
}

TEST_F(ChatViewTest, HandleColumnShowsTheTrimmedHandle)
{
    dialogue.postChatLine("  Jiro ", u"hi");
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"Jiro", "hi"}}));
}

}  // namespace
