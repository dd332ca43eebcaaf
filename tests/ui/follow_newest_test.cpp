// A view that follows its newest rows while its reader is at the bottom,
// stays where the reader scrolled to, and counts what arrives below in the
// "新着 N 行" marker; offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <functional>
#include <memory>

#include "controls/GridModel.h"
#include "controls/qt/NewRowsMarker.h"
#include "controls/qt/SpreadGrid.h"
#include "support/RowTest.h"
#include "support/qt/EventWait.h"

namespace {

class FollowNewestTest : public ::testing::Test {
public:
    // A chat view of 200 rows, scrolled to its newest.
    void SetUp() override
    {
        view = std::make_unique<SpreadGrid>(grid);
        view->resize(400, 300);
        view->show();
        addRows(200);
        settle();
        ASSERT_GT(bar()->maximum(), 100);
        ASSERT_EQ(bar()->value(), bar()->maximum());
    }

    // As the chat view's dialogue adds rows: one batch, the last made active.
    void addRows(int count)
    {
        view->gridView().setRedraw(false);
        for (int n = 0; n < count; ++n) {
            const int row = grid.rowCount() + 1;
            grid.setRowCount(row);
            grid.setText(1, row, u"太郎");
            grid.setText(2, row, QStringLiteral("row %1").arg(row));
            view->gridView().setActiveCell(2, row);
        }
        view->gridView().setRedraw(true);
        settle();
    }

    void wheel(int notches)
    {
        const QPoint at = view->viewport()->rect().center();
        QWheelEvent event(at, view->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120 * notches),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view->viewport(), &event);
    }

    void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent press(QEvent::KeyPress, k, modifiers);
        QApplication::sendEvent(view.get(), &press);
    }

    QScrollBar* bar() const { return view->verticalScrollBar(); }
    NewRowsMarker* marker() const { return view->newRowsMarker(); }
    QString topText() const { return view->indexAt(QPoint(5, 5)).siblingAtColumn(1).data().toString(); }
    void leaveBottom() { wheel(10); }
    bool atNewest() const
    {
        return bar()->value() == bar()->maximum() && view->currentIndex().row() == grid.rowCount() - 1;
    }

    GridModel grid{2};
    std::unique_ptr<SpreadGrid> view;
};

TEST_F(FollowNewestTest, AtTheBottomNewRowsAreFollowed)
{
    addRows(7);
    EXPECT_TRUE(atNewest());
    EXPECT_FALSE(marker()->isVisible());
}

struct LeaveCase : NamedRow<LeaveCase> {
    std::function<void(FollowNewestTest&)> leave;
};

class LeavingTheBottom : public RowTest<FollowNewestTest, LeaveCase> {};

TEST_P(LeavingTheBottom, NewRowsNoLongerMoveTheViewAndAreCounted)
{
    GetParam().leave(*this);
    const int value = bar()->value();
    const QModelIndex current = view->currentIndex();
    ASSERT_LT(value, bar()->maximum());
    const QString top = topText();
    EXPECT_FALSE(marker()->isVisible()) << "nothing new yet";

    addRows(3);
    addRows(2);
    EXPECT_EQ(bar()->value(), value);
    EXPECT_EQ(topText(), top);
    EXPECT_EQ(view->currentIndex(), current);
    EXPECT_FALSE(view->gridView().isFollowing());
    ASSERT_TRUE(marker()->isVisible());
    EXPECT_EQ(marker()->text(), u"新着 5 行");
}

INSTANTIATE_TEST_SUITE_P(
    FollowNewest, LeavingTheBottom,
    ::testing::Values(
        LeaveCase{{"Wheel"}, [](FollowNewestTest& t) { t.wheel(3); }},
        LeaveCase{{"PageUp"}, [](FollowNewestTest& t) { t.key(Qt::Key_PageUp); }},
        LeaveCase{{"CtrlHome"}, [](FollowNewestTest& t) { t.key(Qt::Key_Home, Qt::ControlModifier); }},
        LeaveCase{{"ScrollBarPage"},
                  [](FollowNewestTest& t) { t.bar()->triggerAction(QAbstractSlider::SliderPageStepSub); }},
        LeaveCase{{"ScrollBarDrag"}, [](FollowNewestTest& t) { t.bar()->setSliderPosition(40); }}),
    RowName());

struct ReturnCase : NamedRow<ReturnCase> {
    std::function<void(FollowNewestTest&)> back;
};

class ReturningToTheBottom : public RowTest<FollowNewestTest, ReturnCase> {};

TEST_P(ReturningToTheBottom, FollowsAgainAtTheNewestRow)
{
    leaveBottom();
    addRows(4);
    ASSERT_TRUE(marker()->isVisible());
    GetParam().back(*this);
    settle();
    EXPECT_TRUE(view->gridView().isFollowing());
    EXPECT_FALSE(marker()->isVisible());
    EXPECT_TRUE(atNewest());
    addRows(2);
    EXPECT_TRUE(atNewest());
    EXPECT_FALSE(marker()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(
    FollowNewest, ReturningToTheBottom,
    ::testing::Values(
        ReturnCase{{"End"}, [](FollowNewestTest& t) { t.key(Qt::Key_End); }},
        ReturnCase{{"CtrlEnd"}, [](FollowNewestTest& t) { t.key(Qt::Key_End, Qt::ControlModifier); }},
        ReturnCase{{"Marker"},
                   [](FollowNewestTest& t) {
                       QTest::mouseClick(t.marker(), Qt::LeftButton, Qt::NoModifier,
                                         t.marker()->rect().center());
                   }},
        ReturnCase{{"WheelDown"},
                   [](FollowNewestTest& t) {
                       // A turn of the wheel goes a page at most.
                       for (int turn = 0; turn < 40; ++turn)
                           t.wheel(-3);
                   }},
        ReturnCase{{"ScrollBarToTheEnd"},
                   [](FollowNewestTest& t) { t.bar()->triggerAction(QAbstractSlider::SliderToMaximum); }}),
    RowName());

TEST_F(FollowNewestTest, ScrollingDownShortOfTheBottomKeepsWaiting)
{
    leaveBottom();
    addRows(4);
    wheel(-1);
    EXPECT_FALSE(view->gridView().isFollowing());
    EXPECT_EQ(marker()->text(), u"新着 4 行");
}

TEST_F(FollowNewestTest, WheelOverTheMarkerScrollsTheView)
{
    leaveBottom();
    addRows(4);
    const int value = bar()->value();
    wheelOver(marker(), 1);
    EXPECT_LT(bar()->value(), value);
    EXPECT_EQ(marker()->text(), u"新着 4 行");
}

TEST_F(FollowNewestTest, DroppedOldestRowsKeepTheReaderInPlaceAndTheCountRight)
{
    leaveBottom();
    addRows(6);
    const QString top = topText();
    grid.dropOldestRows(50);
    settle();
    EXPECT_EQ(topText(), top);
    EXPECT_EQ(marker()->text(), u"新着 6 行");

    // Down into the new rows: only those still held are waiting.
    grid.dropOldestRows(grid.rowCount() - 4);
    settle();
    EXPECT_EQ(marker()->text(), u"新着 4 行");
    EXPECT_FALSE(view->gridView().isFollowing());
}

TEST_F(FollowNewestTest, ClearedViewFollowsAgainWithoutMarker)
{
    leaveBottom();
    addRows(6);
    grid.setRowCount(0);
    settle();
    EXPECT_FALSE(marker()->isVisible());
    addRows(100);
    EXPECT_TRUE(atNewest());
}

TEST_F(FollowNewestTest, MarkerSitsAtTheBottomCentreBesideTheScrollBar)
{
    leaveBottom();
    addRows(12345);
    for (const QSize size : {QSize(400, 300), QSize(640, 200), QSize(260, 500)}) {
        view->resize(size);
        settle();
        const QRect area = view->viewport()->geometry();
        const QRect pill = marker()->geometry();
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        EXPECT_TRUE(area.contains(pill));
        EXPECT_FALSE(pill.intersects(
            bar()->geometry().translated(bar()->parentWidget()->mapTo(view.get(), QPoint()))));
        EXPECT_LE(std::abs(pill.center().x() - area.center().x()), 1);
        EXPECT_GT(pill.bottom(), area.bottom() - pill.height() * 2) << "at the bottom edge";
        EXPECT_GE(pill.width(), marker()->fontMetrics().horizontalAdvance(u"新着 12345 行"_qs));
    }
    EXPECT_FALSE(view->grab().isNull());
}

TEST_F(FollowNewestTest, MarkerKeepsTheWindowsFontWhateverTheViewsFont)
{
    FontSpec large;
    large.size = 40;
    view->gridView().setFont(large);
    leaveBottom();
    addRows(1);
    EXPECT_EQ(marker()->font().pointSize(), QApplication::font().pointSize());
    EXPECT_EQ(marker()->focusPolicy(), Qt::NoFocus);
}

TEST_F(FollowNewestTest, ShowingAnOlderMatchLeavesTheBottom)
{
    view->showMatch(HistorySearch::Match{3, 2, 0, 3});
    addRows(2);
    EXPECT_FALSE(view->gridView().isFollowing());
    EXPECT_EQ(marker()->text(), u"新着 2 行");
}

}  // namespace
