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
    int from;
    int to;
    int bottom;
    bool followingAfter;
    bool resumed;
};

class ReaderMoves : public ::testing::TestWithParam<MoveCase> {};

TEST_P(ReaderMoves, OnlyTheBottomResumesAndOnlyMovingUpStops)
{
    const MoveCase& c = GetParam();
    FollowState state;
    if (!c.following)
        state.readerMoved(10, 5, 10);
    ASSERT_EQ(state.isFollowing(), c.following);
    state.rowsAdded(3);
    EXPECT_EQ(state.readerMoved(c.from, c.to, c.bottom), c.resumed);
    EXPECT_EQ(state.isFollowing(), c.followingAfter);
    // Rows that came while following are not waiting, and neither are any once following again.
    EXPECT_EQ(state.waitingRows(), !c.following && !c.followingAfter ? 3 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    FollowState, ReaderMoves,
    ::testing::Values(MoveCase{{"UpFromTheBottomStops"}, true, 10, 9, 10, false, false},
                      MoveCase{{"UpOneStepBehindTheBottomStops"}, true, 9, 5, 10, false, false},
                      MoveCase{{"DownOnTheWayToTheBottomKeepsFollowing"}, true, 8, 9, 10, true, false},
                      MoveCase{{"StayingStillKeepsFollowing"}, true, 9, 9, 10, true, false},
                      MoveCase{{"NothingToScrollKeepsFollowing"}, true, 0, 0, 0, true, false},
                      MoveCase{{"DownToTheBottomResumes"}, false, 4, 10, 10, true, true},
                      MoveCase{{"PastTheOldBottomResumes"}, false, 4, 12, 10, true, true},
                      MoveCase{{"DownShortOfTheBottomStaysPut"}, false, 4, 9, 10, false, false},
                      MoveCase{{"UpAgainStaysPut"}, false, 4, 2, 10, false, false},
                      MoveCase{{"StillWhileAllRowsShowResumes"}, false, 0, 0, 0, true, true}),
    RowName());

// Steps on a view that left the bottom with 100 rows: rows arrive, the
// oldest go, the grid is shown anew.
struct CountCase : NamedRow<CountCase> {
    std::vector<int> added;  // rows added, one entry per batch
    int rowsLeftAfterDrop;  // -1: no drop
    int rowsAfterReset;  // -1: no reset
    int waiting;
    bool following;
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
    EXPECT_EQ(state.isFollowing(), c.following);
}

constexpr int kMax = std::numeric_limits<int>::max();

INSTANTIATE_TEST_SUITE_P(
    FollowState, WaitingRows,
    ::testing::Values(CountCase{{"NoneYet"}, {}, -1, -1, 0, false},
                      CountCase{{"BatchesAddUp"}, {1, 20, 3}, -1, -1, 24, false},
                      CountCase{{"NothingAddedCountsNothing"}, {0, -4}, -1, -1, 0, false},
                      CountCase{{"DropOfOlderRowsKeepsTheCount"}, {30}, 80, -1, 30, false},
                      CountCase{{"DropIntoTheNewRowsCountsWhatIsLeft"}, {30}, 12, -1, 12, false},
                      CountCase{{"DropOfEveryRowButOne"}, {30}, 1, -1, 1, false},
                      CountCase{{"ClearedFollowsAgain"}, {30}, -1, 0, 0, true},
                      CountCase{{"ShownAnewWithFewerRows"}, {30}, -1, 7, 7, false},
                      CountCase{{"ShownAnewWithAllRows"}, {30}, -1, 130, 30, false},
                      CountCase{{"NeverOverflows"}, {kMax, kMax, 5}, -1, -1, kMax, false}),
    RowName());

TEST(FollowState, RowsArrivingWhileFollowingAreNotCounted)
{
    FollowState state;
    state.rowsAdded(5);
    EXPECT_TRUE(state.isFollowing());
    EXPECT_EQ(state.waitingRows(), 0);
    state.readerMoved(10, 3, 10);
    state.rowsAdded(2);
    state.follow();
    EXPECT_EQ(state.waitingRows(), 0);
    state.readerMoved(10, 3, 10);
    EXPECT_EQ(state.waitingRows(), 0) << "a new departure counts from nothing";
}

// --- The view state that holds it --------------------------------------------

class RecordingObserver : public GridViewObserver {
public:
    void gridChanged(const GridChange& change) override { changes.push_back(change); }
    void gridVisibilityChanged(bool) override {}
    void gridDestroyed() override {}
    std::vector<GridChange> changes;
};

// A one-column view that shows 10 rows; the dialogue adds rows in batches
// and makes the last one active, as the receive path does.
class FollowingView : public ::testing::Test {
protected:
    FollowingView() { view.setObserver(&observer); }

    void addRows(int count)
    {
        view.setRedraw(false);
        grid.setRowCount(grid.rowCount() + count);
        view.setActiveCell(1, grid.rowCount());
        view.setRedraw(true);
    }

    const GridChange& last() const { return observer.changes.back(); }

    GridModel grid{1};
    GridViewState view{grid};
    RecordingObserver observer;
};

TEST_F(FollowingView, AtTheBottomTheNewestRowIsMadeActive)
{
    addRows(30);
    addRows(5);
    EXPECT_TRUE(view.isFollowing());
    EXPECT_EQ(view.activeRow(), 35);
    EXPECT_TRUE(last().activeCellSet);
    EXPECT_EQ(last().activeRow, 35);
    EXPECT_EQ(view.waitingRows(), 0);
}

TEST_F(FollowingView, ScrolledUpTheActiveCellStaysAndRowsAreCounted)
{
    addRows(30);
    view.readerMoved(20, 12, 20);
    addRows(4);
    addRows(1);
    EXPECT_FALSE(view.isFollowing());
    EXPECT_EQ(view.activeRow(), 30);
    EXPECT_FALSE(last().activeCellSet) << "nothing to bring into view";
    EXPECT_EQ(last().rowsAfter, 35) << "the rows themselves are still shown";
    EXPECT_EQ(view.waitingRows(), 5);
}

struct ReturnCase : NamedRow<ReturnCase> {
    bool byScrolling;  // else followNewest (End, the marker)
};

class ReturnToTheBottom : public RowTest<FollowingView, ReturnCase> {};

TEST_P(ReturnToTheBottom, MakesTheNewestCellActive)
{
    addRows(30);
    view.readerMoved(20, 12, 20);
    addRows(6);
    view.setActiveCell(1, 34);  // the line just closed, above the current one
    if (GetParam().byScrolling)
        view.readerMoved(12, 26, 26);
    else
        view.followNewest();
    EXPECT_TRUE(view.isFollowing());
    EXPECT_EQ(view.waitingRows(), 0);
    EXPECT_EQ(view.activeRow(), 34);
    EXPECT_TRUE(last().activeCellSet);
    EXPECT_EQ(last().activeRow, 34);
}

INSTANTIATE_TEST_SUITE_P(FollowState, ReturnToTheBottom,
                         ::testing::Values(ReturnCase{{"ByScrolling"}, true},
                                           ReturnCase{{"ByEndOrMarker"}, false}),
                         RowName());

TEST_F(FollowingView, DroppedRowsAreCountedInTheBatchAndMoveTheNewestCell)
{
    addRows(30);
    view.readerMoved(20, 12, 20);
    addRows(8);
    view.setRedraw(false);
    grid.dropOldestRows(10);
    grid.dropOldestRows(5);
    view.setRedraw(true);
    EXPECT_TRUE(last().reset);
    EXPECT_EQ(last().droppedRows, 15);
    EXPECT_EQ(view.waitingRows(), 8);

    grid.dropOldestRows(20);
    EXPECT_EQ(last().droppedRows, 20) << "a new batch counts anew";
    EXPECT_EQ(view.waitingRows(), 3);
    view.followNewest();
    EXPECT_EQ(last().activeRow, 3);
}

TEST_F(FollowingView, ClearedGridFollowsAgain)
{
    addRows(30);
    view.readerMoved(20, 12, 20);
    addRows(8);
    grid.setRowCount(0);
    EXPECT_TRUE(view.isFollowing());
    EXPECT_EQ(view.waitingRows(), 0);
    addRows(3);
    EXPECT_EQ(view.activeRow(), 3);
}

TEST_F(FollowingView, FollowingWithNoCellMadeActiveGoesToTheLastRow)
{
    grid.setRowCount(12);
    view.readerMoved(2, 0, 2);
    view.followNewest();
    EXPECT_EQ(last().activeCol, 1);
    EXPECT_EQ(last().activeRow, 12);
}

}  // namespace
