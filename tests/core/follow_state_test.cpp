// Following the newest rows: only the reader's own moves stop or resume it,
// and the rows that arrive meanwhile are counted, also across drops of the
// oldest rows and a cleared grid.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "controls/FollowState.h"
#include "controls/GridModel.h"
#include "controls/GridViewObserver.h"
#include "controls/GridViewState.h"
#include "support/RowTest.h"

namespace {

struct MoveCase : NamedRow<MoveCase> {
    bool following;  // before the move
    int from, to, bottom;
    bool followingAfter;
};

class ReaderMoves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ReaderMoves, OnlyTheBottomResumesAndOnlyMovingUpStops)
{
    const MoveCase& c = GetParam();
    FollowState state;
    if (!c.following)
        state.readerMoved(10, 5, 10);
    state.rowsAdded(3);
    EXPECT_EQ(state.readerMoved(c.from, c.to, c.bottom), !c.following && c.followingAfter);
    EXPECT_EQ(state.isFollowing(), c.followingAfter);
    // Rows that came while following never wait, nor any once following again.
    EXPECT_EQ(state.waitingRows(), !c.following && !c.followingAfter ? 3 : 0);
}

INSTANTIATE_TEST_SUITE_P(FollowState, ReaderMoves,
                         ::testing::Values(MoveCase{{"UpFromTheBottom"}, true, 10, 9, 10, false},
                                           MoveCase{{"UpFromAStepBehind"}, true, 9, 5, 10, false},
                                           MoveCase{{"DownOnTheWayToTheBottom"}, true, 8, 9, 10, true},
                                           MoveCase{{"StillAStepBehind"}, true, 9, 9, 10, true},
                                           MoveCase{{"BackToTheBottom"}, false, 4, 10, 10, true},
                                           MoveCase{{"PastAnOldBottom"}, false, 4, 12, 10, true},
                                           MoveCase{{"DownShortOfTheBottom"}, false, 4, 9, 10, false},
                                           MoveCase{{"UpAgain"}, false, 4, 2, 10, false},
                                           MoveCase{{"AllRowsShow"}, false, 0, 0, 0, true}),
                         RowName());

// A view that left the bottom with 100 rows: rows arrive, then the oldest
// go or the rows are shown anew (-1: not at all).
struct CountCase : NamedRow<CountCase> {
    std::vector<int> added;
    int rowsLeftAfterDrop;
    int rowsAfterReset;
    int waiting;
};

class WaitingRows : public ::testing::TestWithParam<CountCase> {};

TEST_P(WaitingRows, CountsWhatArrivedAndIsStillThere)
{
    const CountCase& c = GetParam();
    FollowState state;
    state.readerMoved(100, 50, 100);
    for (const int rows : c.added)
        state.rowsAdded(rows);
    if (c.rowsLeftAfterDrop >= 0)
        state.oldestRowsDropped(c.rowsLeftAfterDrop);
    if (c.rowsAfterReset >= 0)
        state.reset(c.rowsAfterReset);
    EXPECT_EQ(state.waitingRows(), c.waiting);
    EXPECT_EQ(state.isFollowing(), c.rowsAfterReset == 0) << "only a cleared grid follows again";
}

constexpr int kMax = std::numeric_limits<int>::max();

INSTANTIATE_TEST_SUITE_P(FollowState, WaitingRows,
                         ::testing::Values(CountCase{{"BatchesAddUp"}, {1, 20, 3}, -1, -1, 24},
                                           CountCase{{"NothingAdded"}, {0, -4}, -1, -1, 0},
                                           CountCase{{"DropOfOlderRows"}, {30}, 80, -1, 30},
                                           CountCase{{"DropIntoTheNewRows"}, {30}, 12, -1, 12},
                                           CountCase{{"Cleared"}, {30}, -1, 0, 0},
                                           CountCase{{"ShownAnewWithFewerRows"}, {30}, -1, 7, 7},
                                           CountCase{{"ShownAnewWithAllRows"}, {30}, -1, 130, 30},
                                           CountCase{{"NeverOverflows"}, {kMax, kMax}, -1, -1, kMax}),
                         RowName());

struct LastChange : GridViewObserver {
    void gridChanged(const GridChange& c) override { change = c; }
    void gridVisibilityChanged(bool) override {}
    void gridDestroyed() override {}
    GridChange change;
};

// As the receive path uses it: a batch of rows, the last made active.
TEST(GridViewState, ScrolledUpTheActiveCellStaysUntilItFollowsAgain)
{
    GridModel grid(1);
    GridViewState view(grid);
    LastChange observer;
    view.setObserver(&observer);
    const auto addRows = [&](int count) {
        view.setRedraw(false);
        grid.setRowCount(grid.rowCount() + count);
        view.setActiveCell(1, grid.rowCount());
        view.setRedraw(true);
    };
    addRows(30);
    EXPECT_EQ(observer.change.activeRow, 30);
    view.readerMoved(20, 12, 20);
    addRows(8);
    EXPECT_EQ(view.activeRow(), 30);
    EXPECT_FALSE(observer.change.activeCellSet) << "nothing to bring into view";
    EXPECT_EQ(view.waitingRows(), 8);

    view.setRedraw(false);
    grid.dropOldestRows(10);
    grid.dropOldestRows(5);
    view.setRedraw(true);
    EXPECT_EQ(observer.change.droppedRows, 15) << "told to the widget, to keep the reader's row in place";
    EXPECT_EQ(view.waitingRows(), 8);

    view.followNewest();
    EXPECT_TRUE(view.isFollowing());
    EXPECT_TRUE(observer.change.activeCellSet);
    EXPECT_EQ(observer.change.activeRow, 23) << "the newest row, moved up with the drop";
}

}  // namespace
