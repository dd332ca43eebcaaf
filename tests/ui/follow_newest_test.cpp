// A view follows its newest rows while its reader is at the bottom, stays
// where the reader scrolled to, and counts what arrives below in the
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

// A chat view of 200 rows, scrolled to its newest.
class FollowNewestTest : public ::testing::Test {
public:
    void SetUp() override
    {
        view = std::make_unique<SpreadGrid>(grid);
        view->resize(400, 300);
        view->show();
        addRows(200);
        ASSERT_EQ(bar()->value(), bar()->maximum());
    }

    // As the dialogue adds chat rows: one batch, the last made active.
    void addRows(int count)
    {
        view->gridView().setRedraw(false);
        for (int n = 0; n < count; ++n) {
            const int row = grid.rowCount() + 1;
            grid.setRowCount(row);
            grid.setText(2, row, QStringLiteral("row %1").arg(row));
            view->gridView().setActiveCell(2, row);
        }
        view->gridView().setRedraw(true);
        frame();
    }

    // The display frame that shows what changed.
    void frame()
    {
        view->gridView().bringUpToDate();
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

    GridModel grid{2};
    std::unique_ptr<SpreadGrid> view;
};

using Step = std::function<void(FollowNewestTest&)>;
struct StepCase : NamedRow<StepCase> {
    Step step;
};

class LeavingTheBottom : public RowTest<FollowNewestTest, StepCase> {};

TEST_P(LeavingTheBottom, NewRowsNoLongerMoveTheViewAndAreCounted)
{
    GetParam().step(*this);
    const int value = bar()->value();
    const QModelIndex current = view->currentIndex();
    const QString top = topText();
    ASSERT_LT(value, bar()->maximum());
    EXPECT_FALSE(marker()->isVisible()) << "nothing new yet";

    addRows(3);
    addRows(2);
    EXPECT_EQ(bar()->value(), value);
    EXPECT_EQ(topText(), top);
    EXPECT_EQ(view->currentIndex(), current);
    ASSERT_TRUE(marker()->isVisible());
    EXPECT_EQ(marker()->text(), u"新着 5 行");
}

INSTANTIATE_TEST_SUITE_P(
    FollowNewest, LeavingTheBottom,
    ::testing::Values(
        StepCase{{"Wheel"}, [](FollowNewestTest& t) { t.wheel(3); }},
        StepCase{{"PageUp"}, [](FollowNewestTest& t) { t.key(Qt::Key_PageUp); }},
        StepCase{{"CtrlHome"}, [](FollowNewestTest& t) { t.key(Qt::Key_Home, Qt::ControlModifier); }},
        StepCase{{"ScrollBarPage"},
                 [](FollowNewestTest& t) { t.bar()->triggerAction(QAbstractSlider::SliderPageStepSub); }},
        StepCase{{"ScrollBarDrag"}, [](FollowNewestTest& t) { t.bar()->setSliderPosition(40); }},
        StepCase{{"DragSelectingUpwards"},
                 [](FollowNewestTest& t) {
                     QWidget* rows = t.view->viewport();
                     const int start = t.bar()->value();
                     QTest::mousePress(rows, Qt::LeftButton, {}, QPoint(20, 40));
                     // Over the top row, then held there: the view scrolls on by itself.
                     QTest::mouseMove(rows, QPoint(20, 2));
                     QTest::mouseMove(rows, QPoint(20, 1));
                     EXPECT_TRUE(waitUntil([&] { return t.bar()->value() < start - 2; }, 10000));
                     QTest::mouseRelease(rows, Qt::LeftButton, {}, QPoint(20, 1));
                 }},
        StepCase{{"FindMatch"},
                 [](FollowNewestTest& t) {
                     t.view->showMatch(HistorySearch::Match{3, 2, 0, 3});
                 }}),
    RowName());

class ReturningToTheBottom : public RowTest<FollowNewestTest, StepCase> {};

TEST_P(ReturningToTheBottom, FollowsAgainFromTheNewestRow)
{
    wheel(10);
    addRows(4);
    ASSERT_TRUE(marker()->isVisible());
    GetParam().step(*this);
    addRows(2);
    EXPECT_TRUE(view->gridView().isFollowing());
    EXPECT_FALSE(marker()->isVisible());
    EXPECT_EQ(bar()->value(), bar()->maximum());
    EXPECT_EQ(view->currentIndex().row(), grid.rowCount() - 1);
}

INSTANTIATE_TEST_SUITE_P(
    FollowNewest, ReturningToTheBottom,
    ::testing::Values(
        StepCase{{"End"}, [](FollowNewestTest& t) { t.key(Qt::Key_End); }},
        StepCase{{"CtrlEnd"}, [](FollowNewestTest& t) { t.key(Qt::Key_End, Qt::ControlModifier); }},
        StepCase{{"Marker"},
                 [](FollowNewestTest& t) {
                     QTest::mouseClick(t.marker(), Qt::LeftButton, {}, t.marker()->rect().center());
                 }},
        StepCase{{"WheelDown"},
                 [](FollowNewestTest& t) {
                     for (int turn = 0; turn < 40; ++turn)  // a page at most per turn
                         t.wheel(-3);
                 }},
        StepCase{{"ScrollBarToTheEnd"},
                 [](FollowNewestTest& t) { t.bar()->triggerAction(QAbstractSlider::SliderToMaximum); }}),
    RowName());

TEST_F(FollowNewestTest, DroppedAndClearedRowsKeepTheReaderInPlaceAndTheCountRight)
{
    wheel(10);
    addRows(6);
    const QString top = topText();
    grid.dropOldestRows(50);
    frame();
    EXPECT_EQ(topText(), top);
    EXPECT_EQ(marker()->text(), u"新着 6 行");
    grid.dropOldestRows(grid.rowCount() - 4);
    frame();
    EXPECT_EQ(marker()->text(), u"新着 4 行") << "only the new rows still held";

    grid.setRowCount(0);
    frame();
    EXPECT_FALSE(marker()->isVisible());
    addRows(100);
    EXPECT_EQ(bar()->value(), bar()->maximum());
}

TEST_F(FollowNewestTest, MarkerSitsAtTheBottomCentreBesideTheScrollBars)
{
    wheel(10);
    addRows(12345);
    for (const QSize size : {QSize(400, 300), QSize(640, 200), QSize(260, 500)}) {
        view->resize(size);
        settle();
        SCOPED_TRACE(testing::Message() << size.width() << "x" << size.height());
        const QRect area = view->viewport()->geometry();
        const QRect pill = marker()->geometry();
        EXPECT_TRUE(area.contains(pill)) << "off the scroll bars";
        EXPECT_LE(std::abs(pill.center().x() - area.center().x()), 1);
        EXPECT_GT(pill.top(), area.bottom() - 2 * pill.height());
        EXPECT_GE(pill.width(), marker()->fontMetrics().horizontalAdvance(u"新着 12345 行"_qs));
    }
}

}  // namespace
