// The receive pipeline: text from the host into the terminal view, one row
// per line, and finished lines offered to the chat view.

#include "controls/GridViewObserver.h"
#include "support/DialogueFixture.h"
#include "support/RowTest.h"

namespace {

const QString CRLF = QStringLiteral("\r\n");

class ReceivePipelineTest : public DialogueFixture {};

struct LineEndCase : NamedRow<LineEndCase> {
    std::vector<QString> blocks;
    QStringList rows;
};

using LineEnds = RowTest<DialogueFixture, LineEndCase>;

TEST_P(LineEnds, RowsFollowLineEnds)
{
    for (const QString& block : GetParam().blocks)
        receive(block);
    EXPECT_EQ(terminalRows(), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Receive, LineEnds,
    ::testing::Values(LineEndCase{"CrLfAddsOneRow", {"abc\r\n"}, {"abc", ""}},
                      LineEndCase{"CrAloneAddsOneRow", {"abc\r"}, {"abc", ""}},
                      LineEndCase{"BareLfEndsALine", {"abc\n"}, {"abc", ""}},
                      LineEndCase{"BareLfInsideALine", {"ab\ncd\r"}, {"ab", "cd", ""}},
                      LineEndCase{"LfLfLeavesEmptyRow", {"a\n\nb"}, {"a", "", "b"}},
                      LineEndCase{"CrLfCutBetweenBlocks", {"a\r", "\nb"}, {"a", "b"}},
                      LineEndCase{"LfCrCutBetweenBlocks", {"a\n", "\rb"}, {"a", "b"}},
                      LineEndCase{"BackspaceThenTextReplacesTheEnd", {"abc\b\bX\r"}, {"aX", ""}},
                      LineEndCase{"BackspaceAloneLeavesTheLine", {"abc\b\b\r"}, {"abc", ""}},
                      LineEndCase{"CrCrLeavesEmptyRow", {"a\r\rb"}, {"a", "", "b"}},
                      LineEndCase{"LfCrIsOneLineEnd", {"a\n\rb"}, {"a", "b"}},
                      LineEndCase{"LineSplitOverBlocks", {"ab", "c\r\nd"}, {"abc", "d"}},
                      LineEndCase{"CrLfSplitOverBlocks", {"ab\r", "\ncd"}, {"ab", "cd"}},
                      LineEndCase{"EmptyBlockAfterText", {"abc", ""}, {"abc"}},
                      LineEndCase{
                          "ControlsDrawnAsATerminalShowsThem", {"a\tb\x1b[0m\x07\r"}, {"a       b", ""}},
                      LineEndCase{"TabCountsFullWidthAsTwo", {"あa\tb|\t|\r"}, {"あa     b|      |", ""}},
                      LineEndCase{"OnlyLineEnds", {"\r\n\r\n"}, {"", "", ""}},
                      LineEndCase{"JapaneseText", {"ようこそ\r\n掲示板"}, {"ようこそ", "掲示板"}}),
    RowName());

TEST_F(ReceivePipelineTest, FirstBlockStartsTheFirstRow)
{
    EXPECT_EQ(terminal.rowCount(), 0);
    receive(QStringLiteral("x"));
    EXPECT_EQ(terminalRows(), QStringList{"x"});
}

TEST_F(ReceivePipelineTest, TerminalColumnFollowsWidestLineAtEachCarriageReturn)
{
    receive(QStringLiteral("abc\r\n"));
    EXPECT_DOUBLE_EQ(terminalView.columnWidth(1), 300);
    receive(QStringLiteral("abcdef"));
    EXPECT_DOUBLE_EQ(terminalView.columnWidth(1), 300) << "measured at line ends only";
    receive(QStringLiteral("\r\nab\r\n"));
    EXPECT_DOUBLE_EQ(terminalView.columnWidth(1), 600);
}

TEST_F(ReceivePipelineTest, ActiveCellIsTheLastLineAddressed)
{
    receive(QStringLiteral("one\r\ntw"));
    EXPECT_EQ(terminalView.activeRow(), 2) << "block ended inside a line";
    EXPECT_EQ(terminalView.activeCol(), 1);
    receive(QStringLiteral("o\r\n"));
    EXPECT_EQ(terminalView.activeRow(), 2) << "block ended with CR LF: the line just closed";
    receive(QStringLiteral("three\r"));
    EXPECT_EQ(terminalView.activeRow(), 3) << "block ended with CR";
}

class ChangeCounter : public GridViewObserver {
public:
    void gridChanged(const GridChange& change) override
    {
        ++changes;
        last = change;
    }
    void gridVisibilityChanged(bool) override {}
    void gridDestroyed() override {}
    int changes = 0;
    GridChange last;
};

TEST_F(ReceivePipelineTest, OneBlockIsShownInOneChange)
{
    ChangeCounter counter;
    terminalView.setObserver(&counter);
    QString block;
    for (int i = 0; i < 500; ++i)
        block += QStringLiteral("line %1\r\n").arg(i);
    receive(block);
    terminalView.setObserver(nullptr);
    EXPECT_EQ(counter.changes, 1);
    EXPECT_EQ(counter.last.rowsAfter, 501);
    EXPECT_TRUE(terminalView.redraw());
}

// What reaches the chat view, in the chat room, with the user's handle Taro.
struct OfferCase : NamedRow<OfferCase> {
    bool localEcho;
    QString received;
    std::vector<ChatRow> rows;  // after the entry announcement
};

using Offers = RowTest<DialogueFixture, OfferCase>;

TEST_P(Offers, EachOwnStatementIsShownOnce)
{
    setSetting("HandleName", "Taro");
    setSetting("LocalEcho", GetParam().localEcho ? "True" : "False");
    enterChat();
    receive(GetParam().received);
    std::vector<ChatRow> expected{{"", kEntryLine}};
    expected.insert(expected.end(), GetParam().rows.begin(), GetParam().rows.end());
    EXPECT_EQ(chatRows(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Receive, Offers,
    ::testing::Values(
        OfferCase{"OwnStatementEchoOff", false, "発言>hello\r\nTaro>hello\r\n", {{"Taro", "hello"}}},
        OfferCase{"OwnStatementEchoOn", true, "発言>hello\r\nTaro>hello\r\n", {}},
        OfferCase{"MessagesComparedTrimmed", false, "発言>hello \r\nTaro> hello\r\n", {{"Taro", "hello "}}},
        OfferCase{"OtherUserRepeats",
                  false,
                  "発言>hello\r\nJiro>hello\r\n",
                  {{"Taro", "hello"}, {"Jiro", "hello"}}},
        OfferCase{"OtherUserRepeatsEchoOn", true, "発言>hello\r\nJiro>hello\r\n", {{"Jiro", "hello"}}},
        OfferCase{
            "DifferentMessage", false, "発言>hello\r\nTaro>bye\r\n", {{"Taro", "hello"}, {"Taro", "bye"}}},
        OfferCase{"RepeatNotRightAfter",
                  false,
                  "発言>hello\r\nJiro>hi\r\nTaro>hello\r\n",
                  {{"Taro", "hello"}, {"Jiro", "hi"}, {"Taro", "hello"}}},
        OfferCase{"OwnHandleWithoutStatement", false, "Taro>hello\r\n", {{"Taro", "hello"}}},
        OfferCase{"EmptyLineNotOffered", false, "\r\n\r\n", {}},
        OfferCase{"SpacesOnlyNotOffered", false, "   \r\n", {}},
        OfferCase{"LineWithoutHandle", false, "お知らせです\r\n", {{"", "お知らせです"}}},
        OfferCase{"MessageKeepsItsSpaces", false, " Jiro >  hi \r\n", {{"Jiro", "  hi "}}},
        OfferCase{"OpenLineNotOffered", false, "Jiro>still typing", {}}),
    RowName());

TEST_F(ReceivePipelineTest, EmptyLinesGetTheirRowButNoChatRow)
{
    enterChat();
    receive(QStringLiteral("\r\r  \r\n"));
    EXPECT_EQ(terminalRows(), (QStringList{kEntryLine, "", "", "  ", ""}));
    EXPECT_EQ(chat.rowCount(), 1);
}

TEST_F(ReceivePipelineTest, FirstLineComparesWithAnEmptyPreviousLine)
{
    setSetting("HandleName", "Taro");
    // Into the room without any terminal row yet.
    dialogue.postChatLine(QString(), kEntryLine);
    ASSERT_EQ(dialogue.currentMode(), Mode::Chat);
    receive(QStringLiteral("Taro>\r\n"));
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"", kEntryLine}, {"Taro", ""}}));
}

TEST_F(ReceivePipelineTest, LinesOutsideTheChatRoomAddNoChatRow)
{
    connect();
    receive(QStringLiteral("Jiro>hello\r\nお知らせ\r\n"));
    EXPECT_EQ(chat.rowCount(), 0);
    EXPECT_EQ(terminal.rowCount(), 3);
}

TEST_F(ReceivePipelineTest, EntryAnnouncementMidBlockSwitchesForTheRestOfTheBlock)
{
    connect();
    receive(QStringLiteral("Jiro>before\r\n") + kEntryLine + QStringLiteral("\r\nJiro>after\r\n"));
    EXPECT_EQ(dialogue.currentMode(), Mode::Chat);
    EXPECT_EQ(chatRows(), (std::vector<ChatRow>{{"", kEntryLine}, {"Jiro", "after"}}));
}

TEST_F(ReceivePipelineTest, PromptSplitOverBlocksIsAnsweredWhenItCloses)
{
    setSetting("UserID", "taro01");
    connect();
    receive(QStringLiteral("User I"));
    receive(QStringLiteral("D ="));
    EXPECT_EQ(sent(), QStringList{"taro01\r\n"});
    receive(QStringLiteral(" "));
    EXPECT_EQ(sent().size(), 1) << "answered once";
}

TEST_F(ReceivePipelineTest, EachLineIsLookedAtOnItsOwn)
{
    setSetting("UserID", "taro01");
    connect();
    receive(QStringLiteral("User ID\r\n="));
    receive(QStringLiteral("User\r ID="));
    EXPECT_TRUE(sent().isEmpty()) << "a prompt word on an earlier line does not count";
    receive(QStringLiteral("\r\nUser ID="));
    EXPECT_EQ(sent(), QStringList{"taro01\r\n"});
}

TEST_F(ReceivePipelineTest, HistoryStaysAcrossConnections)
{
    connect();
    receive(QStringLiteral("first\r\n"));
    socket.hostCloses();
    connect();
    receive(QStringLiteral("second\r\n"));
    EXPECT_EQ(
        terminalRows(),
        (QStringList{"first", QStringLiteral("――― 接続が切れました 2026-01-01 12:00:00 ―――"), "second", ""}));
}

}  // namespace
