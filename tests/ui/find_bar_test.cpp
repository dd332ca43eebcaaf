// Ctrl+F and the find bar in the main window, the highlight of matches in
// the views, and links: drawn as links, opened by Ctrl+click, while a
// double click on a chat cell still quotes it.

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTest>
#include <QUrl>

#include <utility>
#include <vector>

#include "controls/GridModel.h"
#include "controls/SearchSummaries.h"
#include "controls/qt/FindBar.h"
#include "controls/qt/SpreadGrid.h"
#include "controls/qt/SpreadGridDelegate.h"
#include "main/DialogueSession.h"
#include "ui/MainWindowHarness.h"

namespace {

const QColor kCurrentMatch(255, 160, 60);

class FindBarTest : public MainWindowTestBase {
protected:
    void fillTerminal(const QStringList& rows)
    {
        GridModel& grid = window->terminalModel();
        grid.setRowCount(int(rows.size()));
        for (int r = 0; r < rows.size(); ++r)
            grid.setText(1, r + 1, rows[r]);
        settle();
    }

    FindBar* bar() const { return window->findBar(); }

    // The window started with `rows` in the terminal and the find bar open on `query`.
    void findIn(const QStringList& rows, const QString& query)
    {
        start();
        fillTerminal(rows);
        pressCtrlF();
        type(query);
    }
    void pressCtrlF()
    {
        QTest::keyClick(window->inputLine(), Qt::Key_F, Qt::ControlModifier);
        settle();
    }

    // Typed key by key; text beyond ASCII (which QTest cannot type) as an
    // input method hands it over.
    void type(const QString& text)
    {
        if (text.toLatin1() == text.toUtf8())
            QTest::keyClicks(bar()->queryEdit(), text);
        else
            bar()->queryEdit()->insert(text);
        ASSERT_TRUE(waitUntil([this] { return !bar()->busy(); }));
    }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(bar()->queryEdit(), Qt::Key(key), modifiers);
        ASSERT_TRUE(waitUntil([this] { return !bar()->busy(); }));
        settle();
    }

    int currentRow() const { return bar()->search()->current().row; }

    static bool rowShows(SpreadGrid* view, int row)
    {
        const QRect cell = view->visualRect(view->model()->index(row - 1, 0));
        return view->viewport()->rect().intersects(cell);
    }

    static bool shows(SpreadGrid* view, const QColor& colour)
    {
        const QImage image = view->viewport()->grab().toImage();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour)
                    return true;
        return false;
    }
};

TEST_F(FindBarTest, CtrlFFindsAsTypedAndEnterWalksTheMatches)
{
    start();
    QStringList rows;
    for (int r = 1; r <= 300; ++r)
        rows << (r == 3 || r == 150 || r == 290 ? QStringLiteral("row %1 Needle").arg(r)
                                                : QStringLiteral("row %1").arg(r));
    fillTerminal(rows);
    SpreadGrid* view = window->terminalView();
    ASSERT_TRUE(rowShows(view, 3));
    ASSERT_FALSE(rowShows(view, 150));
    EXPECT_FALSE(shows(view, kCurrentMatch));

    pressCtrlF();
    ASSERT_TRUE(bar()->isVisible());
    EXPECT_EQ(bar()->view(), view);
    EXPECT_TRUE(bar()->queryEdit()->hasFocus());
    type(QStringLiteral("needle"));
    // The nearest match above the bottom of the view.
    EXPECT_EQ(currentRow(), 3);
    EXPECT_EQ(bar()->countLabel()->text(), u"3 件");
    EXPECT_TRUE(shows(view, kCurrentMatch));

    const std::vector<std::pair<Qt::KeyboardModifiers, int>> steps = {{Qt::NoModifier, 150},
                                                                      {Qt::NoModifier, 290},
                                                                      {Qt::NoModifier, 3},
                                                                      {Qt::ShiftModifier, 290},
                                                                      {Qt::ShiftModifier, 150}};
    for (const auto& [modifiers, row] : steps) {
        press(Qt::Key_Return, modifiers);
        EXPECT_EQ(currentRow(), row);
        EXPECT_TRUE(rowShows(view, row)) << row;
        EXPECT_TRUE(shows(view, kCurrentMatch)) << row;
    }

    press(Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_FALSE(shows(view, kCurrentMatch));
}

TEST_F(FindBarTest, CaseAndWidthBoxesAndAQueryWithoutMatch)
{
    findIn({QStringLiteral("ＡＢＣ"), QStringLiteral("abc"), QStringLiteral("ABC ｶﾞｽ")},
           QStringLiteral("abc"));
    EXPECT_EQ(bar()->countLabel()->text(), u"3 件");
    // Each box alone narrows the three matches: by letter case to "abc", by
    // width to the two half-width ones.
    const std::pair<QCheckBox*, QString> boxes[] = {{bar()->caseBox(), QStringLiteral("1 件")},
                                                    {bar()->widthBox(), QStringLiteral("2 件")}};
    for (const auto& [box, count] : boxes) {
        box->setChecked(true);
        ASSERT_TRUE(waitUntil([this] { return !bar()->busy(); }));
        EXPECT_EQ(bar()->countLabel()->text(), count);
        box->setChecked(false);
    }
    bar()->queryEdit()->clear();
    type(QStringLiteral("ガス"));
    EXPECT_EQ(bar()->countLabel()->text(), u"1 件");
    EXPECT_EQ(currentRow(), 3);
    type(QStringLiteral("x"));
    EXPECT_EQ(bar()->countLabel()->text(), u"0 件");
    EXPECT_FALSE(bar()->search()->current().isValid());
}

TEST_F(FindBarTest, CountFollowsRowsThatArriveAndRowsDropped)
{
    findIn({QStringLiteral("a needle"), QStringLiteral("hay"), QStringLiteral("needle needle")},
           QStringLiteral("needle"));
    EXPECT_EQ(bar()->countLabel()->text(), u"3 件");
    GridModel& grid = window->terminalModel();
    grid.setRowCount(4);
    grid.setText(1, 4, QStringLiteral("one more needle"));
    EXPECT_TRUE(waitUntil([this] { return bar()->countLabel()->text() == u"4 件"; }));
    grid.dropOldestRows(1);
    EXPECT_TRUE(waitUntil([this] { return bar()->countLabel()->text() == u"3 件"; }));
}

// The view summarises its complete blocks of rows while it is quiet, and the
// bar's search skips by them: a row rewritten in a summarised block is still
// found, and so is every match the summaries did not rule out.
TEST_F(FindBarTest, FindsThroughTheViewsSummariesAsTheRowsChange)
{
    constexpr int kBlock = SearchSummaries::kRowsPerBlock;
    QStringList rows;
    for (int r = 1; r <= 3 * kBlock + 1; ++r)
        rows << QStringLiteral("line %1").arg(r % 10);
    rows[kBlock + 9] = QStringLiteral("a ZEPHYR here");
    start();
    fillTerminal(rows);
    const SearchSummaries& summaries = window->terminalView()->gridView().searchSummaries();
    ASSERT_TRUE(waitUntil([&] { return summaries.isComplete(); }));
    EXPECT_EQ(summaries.summarizedBlocks(), 3);
    pressCtrlF();
    type(QStringLiteral("zephyr"));
    EXPECT_EQ(currentRow(), kBlock + 10);
    EXPECT_EQ(bar()->countLabel()->text(), u"1 件");

    window->terminalModel().setText(1, 20, QStringLiteral("zephyr again"));
    press(Qt::Key_Return);
    EXPECT_EQ(currentRow(), 20);
    EXPECT_TRUE(waitUntil([this] { return bar()->countLabel()->text() == u"2 件"; }));
    ASSERT_TRUE(waitUntil([&] { return summaries.isComplete(); }));
    EXPECT_EQ(summaries.summarizedBlocks(), 3);
}

TEST_F(FindBarTest, FollowsTheScreenSwitchAndOpensOverTheChatView)
{
    start();
    pressCtrlF();
    EXPECT_EQ(bar()->view(), window->terminalView());
    window->dialogue().switchScreen(Screen::Chat);
    ASSERT_TRUE(waitUntil([this] { return bar()->view() == window->chatView(); }));
    EXPECT_TRUE(bar()->isVisible());
    press(Qt::Key_Escape);
    pressCtrlF();
    EXPECT_EQ(bar()->view(), window->chatView());
}

class LinkTest : public FindBarTest {
protected:
    void SetUp() override
    {
        start();
        GridModel& chat = window->chatModel();
        chat.setRowCount(1);
        chat.setText(1, 1, QStringLiteral("太郎"));
        chat.setText(2, 1, QStringLiteral("見て http://example.jp/a です"));
        window->chatView()->gridView().setColumnWidth(2, 6000);
        window->dialogue().switchScreen(Screen::Chat);
        window->inputLine()->setEnabled(true);
        view = window->chatView();
        view->setLinkOpener([this](const QUrl& url) { opened.push_back(url.toString()); });
        settle();
    }

    // A point on the message's character at `offset`.
    QPoint onCharacter(qsizetype offset) const
    {
        const QRect cell = view->visualRect(view->model()->index(0, 1));
        const double x =
            view->gridDelegate()->xOf(2, 1, offset) + view->gridDelegate()->xOf(2, 1, offset + 1);
        return {cell.left() + SpreadGridDelegate::kPadding + int(x / 2), cell.center().y()};
    }

    void click(QPoint at, Qt::KeyboardModifiers modifiers, bool twice = false)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, at);
        if (twice)
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, modifiers, at);
        settle();
    }

    SpreadGrid* view = nullptr;
    std::vector<QString> opened;
};

TEST_F(LinkTest, CtrlClickOnALinkOpensIt)
{
    click(onCharacter(3), Qt::ControlModifier);
    click(onCharacter(20), Qt::ControlModifier);
    ASSERT_EQ(opened, std::vector<QString>(2, QStringLiteral("http://example.jp/a")));
    // Beside the link, or without Ctrl: nothing opens.
    click(onCharacter(1), Qt::ControlModifier);
    click(onCharacter(23), Qt::ControlModifier);
    click(onCharacter(5), Qt::NoModifier);
    EXPECT_EQ(opened.size(), 2u);
}

TEST_F(LinkTest, DoubleClickOnALinkStillQuotes)
{
    click(onCharacter(5), Qt::NoModifier, true);
    EXPECT_EQ(window->inputLine()->text(), u"見て http://example.jp/a です");
    EXPECT_TRUE(opened.empty());
}

TEST_F(LinkTest, DrawnInTheLinkColour)
{
    const QColor link = view->palette().color(QPalette::Inactive, QPalette::Link);
    const QColor activeLink = view->palette().color(QPalette::Active, QPalette::Link);
    EXPECT_TRUE(shows(view, link) || shows(view, activeLink));
    window->chatModel().setText(2, 1, QStringLiteral("見て example.jp です"));
    settle();
    EXPECT_FALSE(shows(view, link) || shows(view, activeLink));
}

}  // namespace
