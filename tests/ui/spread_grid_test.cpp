#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

#include <cmath>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "controls/GridModel.h"
#include "controls/qt/CellTip.h"
#include "controls/qt/FontMeasurer.h"
#include "controls/qt/SpreadGrid.h"
#include "controls/qt/SpreadGridDelegate.h"
#include "controls/qt/TwipsConversion.h"
#include "controls/qt/Fonts.h"
#include "support/FakeTime.h"

namespace {

class SpreadGridTest : public ::testing::Test {
protected:
    void makeGrid(int columns)
    {
        grid = std::make_unique<GridModel>(columns);
        view = std::make_unique<SpreadGrid>(*grid);
        view->setFrameTimeSource(frames);
        view->resize(400, 300);
        view->show();
        QApplication::processEvents();
    }

    void addChatRow(QStringView handle, QStringView message)
    {
        view->gridView().setRedraw(false);
        const int row = grid->rowCount() + 1;
        grid->setRowCount(row);
        grid->setText(1, row, handle);
        grid->setText(2, row, message);
        view->gridView().setActiveCell(2, row);
        view->gridView().setRedraw(true);
        frame();
    }

    // One display frame passes.
    void frame() { frames.advance(view->frameMs()); }

    // One received block of 500 lines, the last made active.
    void addBlock()
    {
        view->gridView().setRedraw(false);
        for (int line = 0; line < 500; ++line) {
            grid->setRowCount(grid->rowCount() + 1);
            grid->appendText(1, grid->rowCount(), u"line");
        }
        view->gridView().setActiveCell(1, grid->rowCount());
        view->gridView().setRedraw(true);
    }

    QPoint cellCentre(int col, int row) const
    {
        return view->visualRect(view->model()->index(row - 1, col - 1)).center();
    }

    void hover(int col, int row)
    {
        const QPoint at = cellCentre(col, row);
        QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
        QApplication::sendEvent(view->viewport(), &help);
    }

    double dpi() const { return view->screen()->logicalDotsPerInch(); }

    FakeTimeSource frames;
    std::unique_ptr<GridModel> grid;
    std::unique_ptr<SpreadGrid> view;
};

TEST_F(SpreadGridTest, RowsAndTextsThroughTheItemModel)
{
    makeGrid(2);
    addChatRow(u"太郎", u"こんにちは");
    addChatRow(u"", u"お知らせ");
    const QAbstractItemModel* model = view->model();
    ASSERT_EQ(model->rowCount(), 2);
    ASSERT_EQ(model->columnCount(), 2);
    EXPECT_EQ(model->index(0, 0).data().toString(), u"太郎");
    EXPECT_EQ(model->index(0, 1).data().toString(), u"こんにちは");
    EXPECT_EQ(model->index(1, 0).data().toString(), u"");
    EXPECT_EQ(model->index(1, 1).data().toString(), u"お知らせ");
    EXPECT_FALSE(model->flags(model->index(0, 0)) & Qt::ItemIsEditable);
}

TEST_F(SpreadGridTest, EachBatchInsertsItsRowsOnce)
{
    makeGrid(1);
    std::vector<std::pair<int, int>> inserted;
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    for (int block = 0; block < 3; ++block) {
        addBlock();
        frame();
    }
    ASSERT_EQ(inserted.size(), 3u);
    EXPECT_EQ(view->model()->rowCount(), 1500);
    EXPECT_EQ(inserted.back(), std::make_pair(1000, 1499));
}

// Blocks that arrive within one frame are shown together, one frame at the
// latest after the last, however quiet the host is afterwards.
TEST_F(SpreadGridTest, BatchesWithinAFrameAreShownTogetherAtItsEnd)
{
    makeGrid(1);
    frame();
    std::vector<std::pair<int, int>> inserted;
    QObject::connect(view->model(), &QAbstractItemModel::rowsInserted,
                     [&](const QModelIndex&, int first, int last) { inserted.emplace_back(first, last); });
    for (int block = 0; block < 3; ++block) {
        addBlock();
        frames.advance(1);
    }
    EXPECT_EQ(view->model()->rowCount(), 500) << "the first block after a quiet spell at once";
    frames.advance(view->frameMs() - 3);
    EXPECT_EQ(view->model()->rowCount(), 1500);
    EXPECT_EQ(inserted, (std::vector<std::pair<int, int>>{{0, 499}, {500, 1499}}));
    EXPECT_EQ(view->currentIndex().row(), 1499);
    EXPECT_FALSE(view->gridView().changeWaiting());
}

TEST_F(SpreadGridTest, ClearingResetsTheView)
{
    makeGrid(2);
    addChatRow(u"a", u"b");
    int resets = 0;
    QObject::connect(view->model(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    grid->setRowCount(0);
    frame();
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(view->model()->rowCount(), 0);
    grid->setColumnCount(1);
    frame();
    EXPECT_EQ(view->model()->columnCount(), 1);
}

TEST_F(SpreadGridTest, RowColoursAsRoles)
{
    makeGrid(2);
    addChatRow(u"AB", u"hi");
    addChatRow(u"", u"notice");
    addChatRow(u"CD", u"plain");
    grid->setRowForeColor(1, 0x00001A0D);  // red 13, green 26
    grid->setRowBackColor(2, 0x00E0E0E0);
    const QAbstractItemModel* model = view->model();
    EXPECT_EQ(model->index(0, 1).data(Qt::ForegroundRole).value<QBrush>().color(), QColor(13, 26, 0));
    EXPECT_EQ(model->index(1, 0).data(Qt::BackgroundRole).value<QBrush>().color(), QColor(224, 224, 224));
    EXPECT_FALSE(model->index(0, 0).data(Qt::BackgroundRole).isValid());
    EXPECT_FALSE(model->index(2, 0).data(Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model->index(1, 1).data(Qt::ForegroundRole).isValid());
}

TEST_F(SpreadGridTest, ColumnWidthsFollowTheModelInTwips)
{
    makeGrid(2);
    const int padding = 2 * SpreadGridDelegate::kPadding;
    EXPECT_EQ(view->columnWidth(0), twipsToPx(1200, dpi()) + padding);
    EXPECT_EQ(view->columnWidth(1), twipsToPx(975, dpi()) + padding);
    view->gridView().setColumnWidth(2, 14400.0);
    frame();
    EXPECT_EQ(view->columnWidth(1), twipsToPx(14400, dpi()) + padding);
}

TEST_F(SpreadGridTest, FontFromTheGridView)
{
    makeGrid(1);
    FontSpec font;
    font.size = 20;
    font.bold = true;
    font.italic = true;
    view->gridView().setFont(font);
    frame();
    EXPECT_TRUE(view->font().bold());
    EXPECT_TRUE(view->font().italic());
    EXPECT_EQ(view->font().pointSize(), 20);
    EXPECT_GE(view->verticalHeader()->defaultSectionSize(), QFontMetrics(view->font()).height());
}

TEST_F(SpreadGridTest, VisibilityFollowsTheGridView)
{
    makeGrid(1);
    view->gridView().setVisible(false);
    EXPECT_FALSE(view->isVisible());
    view->gridView().setVisible(true);
    EXPECT_TRUE(view->isVisible());
}

TEST_F(SpreadGridTest, ScrollsToTheActiveCellOncePerFrame)
{
    makeGrid(1);
    for (int block = 0; block < 50; ++block) {
        view->gridView().setRedraw(false);
        for (int line = 0; line < 20; ++line) {
            grid->setRowCount(grid->rowCount() + 1);
            grid->appendText(1, grid->rowCount(), u"text");
        }
        view->gridView().setActiveCell(1, grid->rowCount());
        view->gridView().setRedraw(true);
    }
    // Nothing has scrolled before the frame.
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    frame();
    QApplication::processEvents();
    EXPECT_EQ(view->currentIndex().row(), 999);
    EXPECT_EQ(view->verticalScrollBar()->value(), view->verticalScrollBar()->maximum());
    EXPECT_TRUE(view->selectionModel()->selectedRows().isEmpty());
}

TEST_F(SpreadGridTest, TipShowsPlainTextCappedByDefault)
{
    makeGrid(2);
    addChatRow(u"<b>太郎</b>", u"<i>x</i> & <br>");
    addChatRow(u"", QString(SpreadGrid::kTipCharacters + 500, u'あ'));
    addChatRow(u"", QString(SpreadGrid::kTipCharacters, u'い'));

    hover(1, 1);
    ASSERT_TRUE(view->cellTip()->isVisible());
    EXPECT_EQ(view->cellTip()->text(), u"<b>太郎</b>");
    hover(2, 1);
    EXPECT_EQ(view->cellTip()->text(), u"<i>x</i> & <br>");

    hover(2, 2);
    const QString capped = view->cellTip()->text();
    EXPECT_EQ(capped.size(), SpreadGrid::kTipCharacters + 1);
    EXPECT_TRUE(capped.endsWith(u"あ…"));
    // Wrapped at half the screen's width.
    EXPECT_LE(view->cellTip()->width(), view->screen()->geometry().width() / 2);
    EXPECT_GT(view->cellTip()->height(), 10 * view->cellTip()->fontMetrics().height());

    hover(2, 3);
    EXPECT_EQ(view->cellTip()->text(), QString(SpreadGrid::kTipCharacters, u'い'));
}

TEST_F(SpreadGridTest, TipTextComesFromTheProvider)
{
    makeGrid(2);
    addChatRow(u"", u"");
    QString asked = u"not asked"_qs;
    view->setTipTextProvider([&](QStringView text) {
        asked = text.toString();
        return QStringLiteral("tip");
    });
    hover(1, 1);
    EXPECT_EQ(asked, u"");
    EXPECT_TRUE(view->cellTip()->isVisible());  // empty cells get their tip too
    EXPECT_EQ(view->cellTip()->text(), u"tip");
}

TEST_F(SpreadGridTest, DoubleClickReportsColumnAndRowFromOne)
{
    makeGrid(2);
    addChatRow(u"太郎", u"one");
    addChatRow(u"花子", u"two");
    std::vector<std::pair<int, int>> clicked;
    QObject::connect(view.get(), &SpreadGrid::cellDoubleClicked,
                     [&](int col, int row) { clicked.emplace_back(col, row); });
    const QPoint at = cellCentre(2, 2);
    const QPointF global = view->viewport()->mapToGlobal(at);
    for (const QEvent::Type type :
         {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick}) {
        QMouseEvent event(type, at, global, Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    }
    EXPECT_EQ(clicked, (std::vector<std::pair<int, int>>{{2, 2}}));
}

TEST_F(SpreadGridTest, CopiesSelectedRowsWithTabsAndNewlines)
{
    makeGrid(2);
    addChatRow(u"太郎", u"こんにちは");
    addChatRow(u"次郎", u"skip me");
    addChatRow(u"花子", u"さようなら\tまた");
    const auto rows = QItemSelectionModel::Select | QItemSelectionModel::Rows;
    view->selectionModel()->select(view->model()->index(2, 0), rows);
    view->selectionModel()->select(view->model()->index(0, 0), rows);
    const QString expected = u"太郎\tこんにちは\n花子\tさようなら\tまた"_qs;
    EXPECT_EQ(view->selectedText(), expected);

    QApplication::clipboard()->clear();
    QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
    QApplication::sendEvent(view.get(), &copy);
    EXPECT_EQ(QApplication::clipboard()->text(), expected);

    QApplication::clipboard()->setText(u"other"_qs);
    view->copyAction()->trigger();
    EXPECT_EQ(view->copyAction()->text(), u"コピー");
    EXPECT_EQ(QApplication::clipboard()->text(), expected);
}

TEST_F(SpreadGridTest, HugeCellPaintsOnlyWhatShows)
{
    makeGrid(1);
    FontMeasurer measurer(dpi());
    view->gridView().setMeasurer(&measurer);
    QString line;
    for (int n = 0; line.size() < 1'000'000; ++n)
        line += QStringLiteral("長い行 %1 ").arg(n);
    view->gridView().setRedraw(false);
    grid->setRowCount(1);
    grid->appendText(1, 1, line);
    grid->setRowCount(2);
    view->gridView().setColumnWidth(1, view->gridView().maxTextWidth(1));
    view->gridView().setRedraw(true);
    frame();
    ASSERT_GT(view->gridView().columnWidth(1), 1e6) << view->gridView().maxTextWidth(1);
    ASSERT_GT(view->columnWidth(0), 1'000'000);

    const SpreadGridDelegate* delegate = view->gridDelegate();
    const qint64 painted = delegate->paintedCharacters();
    const qint64 scanned = delegate->scannedCharacters();
    EXPECT_FALSE(view->grab().isNull());
    EXPECT_GT(delegate->paintedCharacters(), painted);
    EXPECT_LT(delegate->paintedCharacters() - painted, 1000);
    EXPECT_LT(delegate->scannedCharacters() - scanned, 1000);

    // Far into the line: summing up to there once, then only what shows.
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->maximum() / 2);
    const qint64 paintedMiddle = delegate->paintedCharacters();
    EXPECT_FALSE(view->grab().isNull());
    EXPECT_LT(delegate->paintedCharacters() - paintedMiddle, 1000);
    view->horizontalScrollBar()->setValue(view->horizontalScrollBar()->value() + 3000);
    const qint64 scannedAgain = delegate->scannedCharacters();
    EXPECT_FALSE(view->grab().isNull());
    EXPECT_LT(delegate->scannedCharacters() - scannedAgain, 3000);
    view->gridView().setMeasurer(nullptr);
}

TEST_F(SpreadGridTest, ModelDestroyedBeforeTheView)
{
    makeGrid(1);
    grid->setRowCount(3);
    grid.reset();
    EXPECT_EQ(view->model()->rowCount(), 0);
    EXPECT_FALSE(view->grab().isNull());
}

TEST(FontMeasurer, WidthIsTheSumOfAdvancesInTwips)
{
    FontSpec font;
    font.size = 12;
    const QFontMetricsF metrics(Fonts::toQFont(font));
    const QString text = u"Abc 日本語"_qs;
    double px = 0;
    for (const QChar ch : text)
        px += metrics.horizontalAdvance(ch);
    struct Case {
        double dpi;
        double twipsPerPx;
    };
    for (const Case c : {Case{96, 15}, Case{144, 10}, Case{192, 7.5}}) {
        FontMeasurer measurer(c.dpi);
        EXPECT_NEAR(measurer.textWidthTwips(text, font), px * c.twipsPerPx, 0.01) << c.dpi;
        EXPECT_EQ(measurer.textWidthTwips(u"", font), 0);
    }
}

TEST(FontMeasurer, SurrogatePairsCountOnce)
{
    FontMeasurer measurer(96);
    const FontSpec font;
    const QString pair = u"𠮷"_qs;
    ASSERT_EQ(pair.size(), 2);
    const double whole = QFontMetricsF(Fonts::toQFont(font)).horizontalAdvance(pair) * 15;
    EXPECT_NEAR(measurer.textWidthTwips(pair, font), whole, 0.01);
    CharAdvances& advances = measurer.advances(font);
    EXPECT_EQ(advances.at(pair, 1), 0);
}

TEST(TwipsConversion, ThroughTheLogicalDpi)
{
    struct Case {
        double twips;
        double dpi;
        int px;
    };
    for (const Case c : {Case{1440, 96, 96}, Case{1200, 96, 80}, Case{975, 96, 65}, Case{225, 96, 15},
                         Case{1440, 120, 120}, Case{7, 96, 0}, Case{8, 96, 1}}) {
        EXPECT_EQ(twipsToPx(c.twips, c.dpi), c.px) << c.twips << " at " << c.dpi;
        EXPECT_NEAR(pxToTwips(twipsToPx(c.twips, c.dpi), c.dpi), c.px * 1440 / c.dpi, 1e-9);
    }
    EXPECT_EQ(twipsToPx(1e30, 96), std::numeric_limits<int>::max());
    EXPECT_EQ(twipsToPx(std::nan(""), 96), 0);
}

}  // namespace
