// Showing at most once per display frame: the frame step's timing, replies
// that never wait for it, and views that, brought up to date once per frame,
// end up showing what they would after every block.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "controls/FramePacer.h"
#include "controls/GridModel.h"
#include "controls/GridViewObserver.h"
#include "controls/GridViewState.h"
#include "support/DialogueFixture.h"
#include "support/FakeMeasurer.h"
#include "support/RowTest.h"

using namespace Qt::StringLiterals;

namespace {

constexpr int kFrameMs = 16;

// What a widget was told, as it would show it: rows, active cell, frames.
class ShownGrid : public GridViewObserver {
public:
    ShownGrid(GridViewState& view, FakeTimeSource* time) : view_(view), time_(time)
    {
        if (time) {
            view.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
            pacer_ = std::make_unique<FramePacer>(*time, [this] { view_.bringUpToDate(); });
            pacer_->setFrameMs(kFrameMs);
        }
        view.setObserver(this);
    }
    ~ShownGrid() override { view_.setObserver(nullptr); }

    void gridChanged(const GridChange& change) override
    {
        rows = change.rowsAfter;
        if (change.activeCellSet) {
            activeCol = change.activeCol;
            activeRow = change.activeRow;
        }
        frameTimes.push_back(time_ ? time_->now() : 0);
    }
    void gridChangeWaiting() override
    {
        if (pacer_)
            pacer_->request();
    }
    void gridVisibilityChanged(bool) override {}
    void gridDestroyed() override {}

    int rows = 0;
    int activeCol = 0;
    int activeRow = 0;
    std::vector<qint64> frameTimes;

private:
    GridViewState& view_;
    FakeTimeSource* time_;
    std::unique_ptr<FramePacer> pacer_;
};

// --- the frame step's timing ------------------------------------------------

struct PacingCase : NamedRow<PacingCase> {
    std::vector<qint64> requests;  // ms, in order
    std::vector<qint64> frames;  // ms at which the step ran
};

using Pacing = ::testing::TestWithParam<PacingCase>;

TEST_P(Pacing, AtMostOnceAFrameAndNeverLaterThanOneFrame)
{
    FakeTimeSource time;
    std::vector<qint64> ran;
    FramePacer pacer(time, [&] { ran.push_back(time.now()); });
    pacer.setFrameMs(kFrameMs);
    for (const qint64 at : GetParam().requests) {
        time.advance(at - time.now());
        pacer.request();
    }
    time.advance(10 * kFrameMs);
    EXPECT_EQ(ran, GetParam().frames);
    EXPECT_FALSE(pacer.isPending());
}

INSTANTIATE_TEST_SUITE_P(FramePacer, Pacing,
                         ::testing::Values(PacingCase{"FirstRequestRunsAtOnce", {0}, {0}},
                                           PacingCase{"RequestsWithinAFrameShareIt", {0, 1, 2, 3}, {0, 16}},
                                           PacingCase{"BurstOfBlocksEveryMillisecond",
                                                      {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13,
                                                       14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27,
                                                       28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39, 40},
                                                      {0, 16, 32, 48}},
                                           PacingCase{"AfterAQuietSpellAtOnce", {0, 100}, {0, 100}},
                                           PacingCase{"LateInAFrameWaitsForItsEnd", {0, 10}, {0, 16}},
                                           PacingCase{
                                               "JustAfterAFrameWaitsAWholeOne", {0, 16, 17}, {0, 16, 32}}),
                         RowName());

struct RateCase : NamedRow<RateCase> {
    double hertz;
    int frameMs;
};

using Rates = ::testing::TestWithParam<RateCase>;

TEST_P(Rates, FrameFromTheScreensRefreshRate)
{
    EXPECT_EQ(FramePacer::frameMsFor(GetParam().hertz), GetParam().frameMs);
}

INSTANTIATE_TEST_SUITE_P(
    FramePacer, Rates,
    ::testing::Values(RateCase{"Common60", 60, 16}, RateCase{"Fast144", 144, 6}, RateCase{"Slow30", 30, 33},
                      RateCase{"UnknownZero", 0, 16}, RateCase{"Negative", -60, 16},
                      RateCase{"NotANumber", std::numeric_limits<double>::quiet_NaN(), 16},
                      RateCase{"Infinite", std::numeric_limits<double>::infinity(), 16},
                      RateCase{"AbsurdlyFast", 1e9, 16}, RateCase{"AbsurdlySlow", 0.5, 16}),
    RowName());

// --- the dialogue with its views shown once per frame ----------------------------

class PacedDialogue : public DialogueFixture {
protected:
    PacedDialogue()
    {
        setSetting("UserID", "taro01");
        setSetting("Password", "secret");
        setSetting("HandleName", "Taro");
    }
    FakeTimeSource frames;
    ShownGrid shownTerminal{terminalView, &frames};
    ShownGrid shownChat{chatView, &frames};
};

TEST_F(PacedDialogue, TheLastBlockOfABurstIsShownOneFrameLater)
{
    connect();
    frames.advance(kFrameMs);
    const size_t framesBefore = shownTerminal.frameTimes.size();
    const qint64 start = frames.now();
    for (int i = 0; i < 50; ++i) {
        receive(u"line %1\r\n"_s.arg(i));
        frames.advance(1);
    }
    receive(u"the last, unfinished"_s);
    ASSERT_TRUE(terminalView.changeWaiting());
    frames.advance(kFrameMs);
    EXPECT_FALSE(terminalView.changeWaiting());
    EXPECT_EQ(shownTerminal.rows, terminal.rowCount());
    EXPECT_EQ(shownTerminal.activeRow, terminal.rowCount());
    EXPECT_EQ(shownTerminal.activeCol, 1);
    const std::vector<qint64> times(shownTerminal.frameTimes.begin() + qsizetype(framesBefore),
                                    shownTerminal.frameTimes.end());
    ASSERT_FALSE(times.empty());
    EXPECT_LE(times.size(), size_t(50 / kFrameMs + 2)) << "not once per block";
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], kFrameMs) << "frame " << i;
    EXPECT_LE(times.back(), start + 50 + kFrameMs) << "shown within a frame of the last block";
}

TEST_F(PacedDialogue, NothingIsShownWhileNoFramePasses)
{
    connect();
    frames.advance(kFrameMs);
    const int shownRows = shownTerminal.rows;
    receive(u"one\r\ntwo\r\n"_s);
    EXPECT_EQ(shownTerminal.rows, shownRows);
    frames.advance(0);
    EXPECT_EQ(shownTerminal.rows, terminal.rowCount()) << "after a quiet spell, at the next turn";
}

struct ReplyCase : NamedRow<ReplyCase> {
    QString prompt;
    QString reply;
};

using Replies = RowTest<PacedDialogue, ReplyCase>;

TEST_P(Replies, AReplyDoesNotWaitForAFrame)
{
    connect();
    frames.advance(kFrameMs);
    shownTerminal.frameTimes.clear();
    receive(u"ようこそ\r\n"_s + GetParam().prompt);
    EXPECT_EQ(sent(), QStringList{GetParam().reply});
    EXPECT_TRUE(shownTerminal.frameTimes.empty()) << "replied before anything was shown";
    EXPECT_TRUE(terminalView.changeWaiting());
}

INSTANTIATE_TEST_SUITE_P(PacedDialogue, Replies,
                         ::testing::Values(ReplyCase{"UserId", u"User ID="_s, u"taro01\r\n"_s},
                                           ReplyCase{"Password", u"Password="_s, u"secret\r\n"_s},
                                           ReplyCase{"HandleName", u"Handle Name="_s, u"Taro\r\n"_s}),
                         RowName());

// --- coalesced blocks show what every block shown alone would -------------------

// The same traffic shown after every block and once every `blocksPerFrame`.
struct CoalescingCase : NamedRow<CoalescingCase> {
    QStringList blocks;
    int blocksPerFrame;
    bool inChat = false;
    double twipsPerChar = 100;
};

QStringList manyLines(int count)
{
    QStringList blocks;
    QString block;
    for (int i = 0; i < count; ++i) {
        block += u"Bob>line %1 %2\r\n"_s.arg(i).arg(QString(i % 97, u'x'));
        if (i % 700 == 699)
            blocks.append(std::exchange(block, QString()));
    }
    blocks.append(block);
    return blocks;
}

class Client : public WiredDialogue {
public:
    Client(const CoalescingCase& c, bool eachBlock)
        : shownTerminal(terminalView, nullptr), shownChat(chatView, nullptr)
    {
        measurer.twipsPerChar = c.twipsPerChar;
        if (!eachBlock) {
            terminalView.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
            chatView.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
        }
        setSetting("HandleName", "Taro");
        c.inChat ? enterChat() : connect();
        for (qsizetype i = 0; i < c.blocks.size(); ++i) {
            receive(c.blocks[i]);
            if (i % c.blocksPerFrame == c.blocksPerFrame - 1)
                showFrame();
        }
        showFrame();
    }
    ShownGrid shownTerminal;
    ShownGrid shownChat;
};

void expectSameShown(const ShownGrid& a, const ShownGrid& b, const GridViewState& va, const GridViewState& vb)
{
    EXPECT_EQ(a.rows, b.rows);
    EXPECT_EQ(a.activeCol, b.activeCol);
    EXPECT_EQ(a.activeRow, b.activeRow);
    for (int col = 1; col <= 2; ++col)
        EXPECT_DOUBLE_EQ(va.columnWidth(col), vb.columnWidth(col)) << "column " << col;
}

using Coalescing = ::testing::TestWithParam<CoalescingCase>;

TEST_P(Coalescing, OneFrameForManyBlocksShowsWhatEachBlockWould)
{
    const Client each(GetParam(), true);
    const Client coalesced(GetParam(), false);
    ASSERT_GT(each.shownTerminal.frameTimes.size(), coalesced.shownTerminal.frameTimes.size());
    EXPECT_EQ(coalesced.shownTerminal.rows, coalesced.terminal.rowCount());
    {
        SCOPED_TRACE("terminal view");
        expectSameShown(each.shownTerminal, coalesced.shownTerminal, each.terminalView,
                        coalesced.terminalView);
    }
    {
        SCOPED_TRACE("chat view");
        expectSameShown(each.shownChat, coalesced.shownChat, each.chatView, coalesced.chatView);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Views, Coalescing,
    ::testing::Values(
        CoalescingCase{"LinesOfEveryWidth", {u"a\r\nabcdef"_s, u"gh\r\nab\r"_s, u"\nxyz\r\n"_s, u"q"_s}, 3},
        CoalescingCase{"TheGrowingLineIsNotFitted", {u"abc\r\n"_s, u"abcdefghij"_s, u"klmnop"_s}, 10},
        CoalescingCase{
            "BackspacedLine", {u"abcdefgh\b\b\b\bX\r\n"_s, u"ab\r\n"_s, u"abcdefghijk\b\b\r\n"_s}, 2},
        CoalescingCase{
            "ChatHandlesCappedAndRounded",
            {u"Bob>hi\r\nABCDEFGHIJKLMNOPQRSTUVWXYZ>x\r\n"_s, u"A>aaa\r\n"_s, u"Jo>"_s, u"x\r\n"_s},
            3,
            true,
            50.5},
        CoalescingCase{"ChatRowsWithoutHandles", {u"a notice from the board\r\n"_s, u"Jo>x\r\n"_s}, 5, true},
        CoalescingCase{"ThousandsOfLinesInAFrame", manyLines(6000), 100, true}),
    RowName());

// Thousands of rows written between two frames are measured in batches as
// they come; the row still being written is not, so the line still growing
// at the frame does not widen a column fitted to the closed lines.
TEST(FittedColumns, ABatchMeasuredBetweenFramesLeavesTheGrowingLine)
{
    FakeMeasurer measurer;
    GridModel grid(1);
    GridViewState view(grid);
    view.setMeasurer(&measurer);
    view.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
    for (int row = 1; row <= 4095; ++row) {
        grid.setRowCount(row);
        grid.appendText(1, row, u"ab");
    }
    grid.setRowCount(4096);
    grid.appendText(1, 4096, u"the line still growing");
    view.fitColumnToText(1, 4095);
    view.bringUpToDate();
    EXPECT_DOUBLE_EQ(view.columnWidth(1), 200);
    grid.appendText(1, 4096, u"!");
    view.fitColumnToText(1, 4096);
    view.bringUpToDate();
    EXPECT_DOUBLE_EQ(view.columnWidth(1), 2300);
}

}  // namespace
