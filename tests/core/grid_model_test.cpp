#include <gtest/gtest.h>

#include <QString>

#include <memory>
#include <vector>

#include "controls/GridModel.h"
#include "controls/GridViewObserver.h"
#include "controls/GridViewState.h"
#include "controls/TextMeasurer.h"
#include "support/FakeMeasurer.h"

namespace {

// Every character is 10 twips wide, bold ones 20; counts what it measured.
struct CountingMeasurer : FakeMeasurer {
    CountingMeasurer()
    {
        twipsPerChar = 10;
        boldFactor = 2;
    }
};

// Widths in whole units that differ by character, as a font's 1/64 px
// advances do; characters from U+3000 on have none (the measurer falls back
// to twips for a text holding one). Counts the characters it measured.
class UnitMeasurer : public TextMeasurer {
public:
    static qint64 unitsOf(char16_t c) { return 40 + c % 29; }
    double textWidthTwips(QStringView text, const FontSpec& font) override
    {
        return measure(text, font).twips;
    }
    Width measure(QStringView text, const FontSpec& font) override
    {
        characters += text.size();
        qint64 units = 0;
        bool exact = true;
        for (const QChar c : text) {
            units += unitsOf(c.unicode()) * (font.bold ? 2 : 1);
            exact = exact && c.unicode() < 0x3000;
        }
        return {unitsToTwips(units), exact ? units : -1};
    }
    // 96 dots per inch: 15 twips to the pixel.
    double unitsToTwips(qint64 units) override { return double(units) / 64.0 * 15.0; }
    qint64 characters = 0;
};

// A two-column grid and its view, whose widths a CountingMeasurer measures.
class WidestText : public ::testing::Test {
protected:
    WidestText() { view.setMeasurer(&measurer); }
    CountingMeasurer measurer;
    GridModel grid{2};
    GridViewState view{grid};
};

class RecordingObserver : public GridViewObserver {
public:
    void gridChanged(const GridChange& change) override { changes.push_back(change); }
    void gridVisibilityChanged(bool visible) override { visibility.push_back(visible); }
    void gridDestroyed() override { destroyed = true; }
    std::vector<GridChange> changes;
    std::vector<bool> visibility;
    bool destroyed = false;
};

// Appends text to the terminal grid the way the receive pipeline does:
// CR closes the line, LF is dropped, everything else goes to the last row;
// the view, if any, redraws once.
void receive(GridModel& grid, QStringView block, GridView* view = nullptr)
{
    if (view)
        view->setRedraw(false);
    if (grid.rowCount() == 0)
        grid.setRowCount(1);
    for (const QChar c : block) {
        if (c == u'\r')
            grid.setRowCount(grid.rowCount() + 1);
        else if (c != u'\n')
            grid.appendText(1, grid.rowCount(), QStringView(&c, 1));
    }
    if (view)
        view->setRedraw(true);
}

// "0123456789012…", `length` characters.
QString digits(int length)
{
    QString text;
    for (int n = 0; n < length; ++n)
        text += QChar(u'0' + n % 10);
    return text;
}

TEST(GridModel, RowCountAppendsEmptyRowsAndZeroClears)
{
    GridModel grid(2);
    grid.setRowCount(3);
    EXPECT_EQ(grid.rowCount(), 3);
    grid.setText(2, 3, u"message");
    grid.setRowForeColor(3, 0x123456);
    grid.setRowCount(5);
    EXPECT_EQ(grid.text(2, 3), u"message");
    EXPECT_TRUE(grid.text(1, 5).isEmpty());
    EXPECT_TRUE(grid.text(2, 4).isEmpty());

    grid.setRowCount(0);
    EXPECT_EQ(grid.rowCount(), 0);
    grid.setRowCount(3);
    EXPECT_TRUE(grid.text(2, 3).isEmpty());
    EXPECT_FALSE(grid.rowForeColor(3).has_value());
}

TEST(GridModel, OutOfRangeCellsReadEmptyAndIgnoreWrites)
{
    GridModel grid(2);
    grid.setRowCount(1);
    grid.setText(3, 1, u"x");
    grid.setText(1, 2, u"x");
    grid.appendText(0, 1, u"x");
    grid.setRowForeColor(2, 1);
    EXPECT_TRUE(grid.text(1, 1).isEmpty());
    EXPECT_TRUE(grid.text(3, 1).isEmpty());
    EXPECT_TRUE(grid.text(1, 0).isEmpty());
    EXPECT_FALSE(grid.rowForeColor(2).has_value());
}

TEST(GridModel, LinesSplitOverBlocksStayInOneRow)
{
    GridModel grid(1);
    receive(grid, u"ログイン: ");
    receive(grid, u"ta");
    receive(grid, u"ro\r\nnext");
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.text(1, 1), u"ログイン: taro");
    EXPECT_EQ(grid.text(1, 2), u"next");
}

TEST(GridModel, ManySmallAppendsKeepEveryText)
{
    GridModel grid(1);
    const int lines = 20000;
    for (int n = 0; n < lines; ++n) {
        const QString line = QStringLiteral("行%1:").arg(n) + QString(n % 50, QChar(u'a' + n % 26));
        // Blocks of 7 characters, cutting lines anywhere.
        const QString all = line + u'\r';
        for (qsizetype at = 0; at < all.size(); at += 7)
            receive(grid, QStringView(all).mid(at, 7));
    }
    ASSERT_EQ(grid.rowCount(), lines + 1);
    for (int n = 0; n < lines; ++n) {
        const QString line = QStringLiteral("行%1:").arg(n) + QString(n % 50, QChar(u'a' + n % 26));
        ASSERT_EQ(grid.text(1, n + 1), line) << "row " << n + 1;
    }
    EXPECT_TRUE(grid.text(1, lines + 1).isEmpty());
}

// A chat row, then the message column removed.
void keepOnlyHandles(GridModel& grid)
{
    grid.setRowCount(2);
    grid.setText(1, 2, u"handle");
    grid.setText(2, 2, u"message");
    grid.setColumnCount(1);
}

// Whatever is written, moved, rewritten or cut off, every cell reads the
// text last given to it.
TEST(GridModel, WritesKeepEveryOtherCell)
{
    struct Cell {
        int col;
        int row;
        QString text;
    };
    struct Case {
        const char* name;
        void (*write)(GridModel& grid);
        int columns;
        std::vector<Cell> expected;
    };
    const Case cases[] = {
        {"rewrites and interleaved appends",
         [](GridModel& grid) {
             grid.setRowCount(2);
             grid.setText(1, 1, u"Taro");
             grid.setText(2, 1, u"hello");
             grid.appendText(1, 1, u"-san");  // not at the end of the text any more
             grid.appendText(2, 1, u"!");
             grid.setText(1, 2, u"long handle");
             grid.setText(1, 2, u"short");  // shrinks in place
             grid.setText(1, 2, u"a longer handle than before");
             grid.setText(2, 2, grid.text(1, 1));  // a view into the grid itself
             grid.appendText(2, 2, grid.text(2, 2));
         },
         2,
         {{1, 1, "Taro-san"},
          {2, 1, "hello!"},
          {1, 2, "a longer handle than before"},
          {2, 2, "Taro-sanTaro-san"}}},
        // Rewriting a cell leaves dead text behind; compaction must keep
        // every live cell intact.
        {"repeated rewrites",
         [](GridModel& grid) {
             grid.setRowCount(3);
             grid.setText(1, 1, u"first");
             grid.setText(2, 3, u"last");
             for (int n = 0; n < 3000; ++n) {
                 grid.setText(2, 2, digits(n + 1));
                 grid.setText(1, 2, QString::number(n));
             }
         },
         2,
         {{1, 1, "first"}, {2, 2, digits(3000)}, {1, 2, "2999"}, {2, 3, "last"}}},
        {"fewer columns", keepOnlyHandles, 1, {{1, 2, "handle"}, {2, 2, ""}}},
        {"fewer, then more columns",
         [](GridModel& grid) {
             keepOnlyHandles(grid);
             grid.setColumnCount(3);
         },
         3,
         {{1, 2, "handle"}, {2, 2, ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GridModel grid(2);
        c.write(grid);
        EXPECT_EQ(grid.columnCount(), c.columns);
        for (const Cell& cell : c.expected)
            EXPECT_EQ(grid.text(cell.col, cell.row), cell.text) << "cell " << cell.col << ',' << cell.row;
    }
}

TEST(GridModel, RowColoursAreKeptPerRow)
{
    GridModel grid(2);
    grid.setRowCount(6);
    grid.setRowForeColor(2, 0x0000FF);
    grid.setRowBackColor(3, 0xE0E0E0);
    grid.setRowForeColor(5, 0x00FF00);
    grid.setRowForeColor(1, 0x112233);  // before rows already coloured
    grid.setRowForeColor(2, 0x445566);  // recoloured
    EXPECT_EQ(grid.rowForeColor(1), 0x112233);
    EXPECT_EQ(grid.rowForeColor(2), 0x445566);
    EXPECT_FALSE(grid.rowForeColor(3).has_value());
    EXPECT_EQ(grid.rowBackColor(3), 0xE0E0E0);
    EXPECT_FALSE(grid.rowBackColor(2).has_value());
    EXPECT_EQ(grid.rowForeColor(5), 0x00FF00);

    grid.setRowCount(4);
    grid.setRowCount(6);
    EXPECT_FALSE(grid.rowForeColor(5).has_value());
    EXPECT_EQ(grid.rowForeColor(2), 0x445566);
}

TEST(GridView, DesignedColumnWidths)
{
    GridModel chat(2);
    GridViewState view(chat);
    EXPECT_DOUBLE_EQ(view.columnWidth(1), 1200);
    EXPECT_DOUBLE_EQ(view.columnWidth(2), 975);
    view.setColumnWidth(2, 3456.5);
    chat.setColumnCount(2);
    EXPECT_DOUBLE_EQ(view.columnWidth(2), 3456.5);
    EXPECT_DOUBLE_EQ(view.columnWidth(3), 0);
}

TEST(GridView, WidestTextWithoutMeasurerIsZero)
{
    GridModel grid(1);
    GridViewState view(grid);
    receive(grid, u"some text\r");
    EXPECT_EQ(view.maxTextWidth(1), 0);
}

TEST_F(WidestText, IsMeasuredIncrementally)
{
    qint64 written = 0;
    for (int n = 0; n < 2000; ++n) {
        const QString line = QString(n % 97, u'x');
        written += line.size();
        receive(grid, line + QStringLiteral("\r\n"));
        ASSERT_EQ(view.maxTextWidth(1), 10.0 * std::min(n, 96));
    }
    // Each line is measured once, not the whole history at each line end.
    EXPECT_LE(measurer.characters, written);
}

TEST_F(WidestText, OfAGrowingLineMeasuresOnlyNewCharacters)
{
    for (int n = 1; n <= 5000; ++n) {
        receive(grid, u"y");
        ASSERT_EQ(view.maxTextWidth(1), 10.0 * n);
    }
    EXPECT_EQ(measurer.characters, 5000);
}

TEST_F(WidestText, IsRecomputedWhenTheFontOrMeasurerChanges)
{
    grid.setRowCount(3);
    grid.setText(2, 1, u"abc");
    grid.setText(2, 2, u"abcdef");
    grid.setText(1, 3, u"ab");
    EXPECT_EQ(view.maxTextWidth(2), 60);
    EXPECT_EQ(view.maxTextWidth(1), 20);

    FontSpec bold;
    bold.bold = true;
    view.setFont(bold);
    EXPECT_EQ(view.maxTextWidth(2), 120);
    EXPECT_EQ(view.maxTextWidth(1), 40);

    const qint64 before = measurer.characters;
    EXPECT_EQ(view.maxTextWidth(2), 120);
    EXPECT_EQ(measurer.characters, before);  // nothing new, nothing measured

    CountingMeasurer other;
    view.setMeasurer(&other);
    EXPECT_EQ(view.maxTextWidth(2), 120);
    EXPECT_EQ(other.characters, 9);
}

TEST_F(WidestText, FollowsAShrunkCell)
{
    receive(grid, u"a long text\rabc");
    EXPECT_EQ(view.maxTextWidth(1), 110);
    grid.setText(1, 1, u"ab");
    EXPECT_EQ(view.maxTextWidth(1), 30);
    grid.setRowCount(0);
    EXPECT_EQ(view.maxTextWidth(1), 0);
}

TEST_F(WidestText, UnqueriedWidthsDoNotPileUp)
{
    // Nobody asks for the width: cells are still measured once each.
    for (int n = 1; n <= 10000; ++n) {
        grid.setRowCount(n);
        grid.setText(1, n, u"h");
    }
    EXPECT_EQ(view.maxTextWidth(1), 10);
    EXPECT_EQ(measurer.characters, 10000);
}

// Dropping the oldest rows moves what is still to be measured, and the line
// measured last, up with the rows: only what is new is measured.
TEST_F(WidestText, FollowsDroppedRows)
{
    receive(grid, u"a\rbb\r");
    EXPECT_EQ(view.maxTextWidth(1), 20);
    receive(grid, u"cccc\rdd");
    grid.dropOldestRows(1);
    EXPECT_EQ(view.maxTextWidth(1), 40);
    EXPECT_EQ(measurer.characters, 9);

    grid.dropOldestRows(2);
    ASSERT_EQ(grid.text(1, 1), u"dd");
    receive(grid, u"eeeee");
    EXPECT_EQ(view.maxTextWidth(1), 70);
    EXPECT_EQ(measurer.characters, 14) << "only the characters added to the line measured last";
}

TEST(GridView, ActiveCellMovesUpWithDroppedRows)
{
    GridModel grid(1);
    GridViewState view(grid);
    grid.setRowCount(10);
    view.setActiveCell(1, 8);
    grid.dropOldestRows(5);
    EXPECT_EQ(view.activeRow(), 3);
    grid.dropOldestRows(5);
    EXPECT_EQ(view.activeRow(), 0);
    EXPECT_EQ(view.activeCol(), 1);
}

TEST(GridView, RedrawOffGathersOneNotification)
{
    RecordingObserver observer;
    GridModel grid(1);
    GridViewState view(grid);
    view.setObserver(&observer);
    receive(grid, u"abc\r\ndef\r\nghi", &view);
    ASSERT_EQ(observer.changes.size(), 1u);
    const GridChange& first = observer.changes[0];
    EXPECT_FALSE(first.reset);
    EXPECT_EQ(first.rowsBefore, 0);
    EXPECT_EQ(first.rowsAfter, 3);

    view.setRedraw(false);
    grid.appendText(1, 3, u"!");
    grid.setRowCount(4);
    view.setColumnWidth(1, 5000);
    view.setActiveCell(1, 4);
    EXPECT_EQ(observer.changes.size(), 1u);
    view.setRedraw(true);
    ASSERT_EQ(observer.changes.size(), 2u);
    const GridChange& second = observer.changes[1];
    EXPECT_EQ(second.rowsBefore, 3);
    EXPECT_EQ(second.rowsAfter, 4);
    EXPECT_EQ(second.firstChangedRow, 3);
    EXPECT_EQ(second.lastChangedRow, 3);
    EXPECT_TRUE(second.widthsChanged);
    EXPECT_TRUE(second.activeCellSet);
    EXPECT_EQ(second.activeCol, 1);
    EXPECT_EQ(second.activeRow, 4);

    view.setRedraw(false);
    view.setRedraw(true);
    EXPECT_EQ(observer.changes.size(), 2u);  // nothing changed, nothing told
}

TEST(GridView, ClearingInABatchResetsTheView)
{
    RecordingObserver observer;
    GridModel grid(1);
    GridViewState view(grid);
    receive(grid, u"old\r");
    view.setObserver(&observer);
    view.setRedraw(false);
    grid.setRowCount(0);
    grid.setRowCount(1);
    view.setRedraw(true);
    ASSERT_EQ(observer.changes.size(), 1u);
    EXPECT_TRUE(observer.changes[0].reset);
    EXPECT_EQ(observer.changes[0].rowsAfter, 1);
}

TEST(GridView, VisibilityAndDestructionAreTold)
{
    RecordingObserver observer;
    auto grid = std::make_unique<GridModel>(1);
    GridViewState view(*grid);
    view.setObserver(&observer);
    EXPECT_TRUE(view.isVisible());
    view.setVisible(false);
    view.setVisible(false);
    view.setVisible(true);
    EXPECT_TRUE(view.isVisible());
    grid.reset();
    EXPECT_EQ(observer.visibility, (std::vector<bool>{false, true}));
    EXPECT_TRUE(observer.destroyed);
}

TEST(GridModel, ContentGenerationMovesOnRewriteOnly)
{
    GridModel grid(1);
    grid.setRowCount(1);
    const quint64 start = grid.contentGeneration();
    grid.appendText(1, 1, u"abc");
    grid.setRowCount(2);
    EXPECT_EQ(grid.contentGeneration(), start);
    grid.setText(1, 1, u"xyz");
    EXPECT_NE(grid.contentGeneration(), start);
}

// The chat view keeps references to the terminal's text; whatever the
// terminal then does to its buffer, the chat cells read what they were given.
TEST(GridModel, BorrowedTextSurvivesWhateverTheLenderDoes)
{
    struct Case {
        const char* name;
        void (*act)(std::unique_ptr<GridModel>& terminal);
    };
    const Case cases[] = {
        {"rewrite",
         [](auto& t) {
             t->setText(1, 1, u"changed");
             t->setText(1, 2, u"");
         }},
        {"append and grow",
         [](auto& t) {
             for (int k = 0; k < 2000; ++k)
                 t->appendText(1, 2, u"more text to move the buffer ");
         }},
        {"drop rows", [](auto& t) { t->setRowCount(1); }},
        {"clear", [](auto& t) { t->setRowCount(0); }},
        {"fewer columns", [](auto& t) { t->setColumnCount(0); }},
        {"compact",
         [](auto& t) {  // enough dead text to make the lender compact
             t->setRowCount(3);
             t->setText(1, 3, QString(1 << 21, u'x'));
             t->setText(1, 3, u"y");
         }},
        {"destroy", [](auto& t) { t.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto terminal = std::make_unique<GridModel>(1);
        GridModel chat(2);
        chat.borrowTextFrom(terminal.get());
        terminal->setRowCount(2);
        terminal->setText(1, 1, u"Taro>hello");
        terminal->appendText(1, 2, u"Jiro>こんにちは");
        chat.setRowCount(2);
        for (int row = 1; row <= 2; ++row) {
            const QStringView line = terminal->text(1, row);
            chat.setText(1, row, line.first(4));
            chat.setText(2, row, line.sliced(5));
        }
        c.act(terminal);
        EXPECT_EQ(chat.text(1, 1), u"Taro");
        EXPECT_EQ(chat.text(2, 1), u"hello");
        EXPECT_EQ(chat.text(1, 2), u"Jiro");
        EXPECT_EQ(chat.text(2, 2), u"こんにちは");
        chat.setText(2, 1, u"rewritten");
        EXPECT_EQ(chat.text(2, 1), u"rewritten");
        EXPECT_EQ(chat.text(2, 2), u"こんにちは");
    }
}

// A chat message borrowed from the end of a terminal line gets its width
// from the line's less that of the line's beginning: it must be exactly the
// width measured directly, and must fall back to measuring when the line has
// changed since, the fonts differ or a text has no exact units.
TEST(GridView, BorrowedLineEndIsAsWideAsMeasuredDirectly)
{
    struct Case {
        const char* name;
        const char16_t* line;
        void (*between)(GridModel& terminal, int row);
        bool boldChat;
        bool shortcut;  // only the beginning is measured
    };
    const Case cases[] = {
        {"ascii", u"Taro>hello there", nullptr, false, true},
        {"spaces and later marks", u"  Jiro  > a>b>c ", nullptr, false, true},
        {"empty message", u"Hanako>", nullptr, false, false},
        {"no units in the message", u"Taro>こんにちは", nullptr, false, false},
        {"no units in the beginning", u"太郎>hello", nullptr, false, false},
        {"line grew since", u"Taro>hello", [](GridModel& t, int row) { t.appendText(1, row, u" more"); },
         false, false},
        {"line rewritten, same length", u"Taro>hello",
         [](GridModel& t, int row) { t.setText(1, row, u"Saburo>abc"); }, false, false},
        {"other font", u"Taro>hello", nullptr, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        UnitMeasurer measurer;
        GridModel terminal(1);
        GridModel chat(2);
        GridViewState terminalView(terminal);
        GridViewState chatView(chat);
        terminalView.setMeasurer(&measurer);
        chatView.setMeasurer(&measurer);
        chatView.measureBorrowedTextBy(terminalView);
        chat.borrowTextFrom(&terminal);
        if (c.boldChat)
            chatView.setFont(FontSpec{QString(), 10, true, false});
        terminal.setRowCount(2);
        terminal.appendText(1, 1, u"x");  // a narrow first line, so the widest is the second
        terminal.appendText(1, 2, c.line);
        terminalView.maxTextWidth(1);
        if (c.between)
            c.between(terminal, 2);
        const QStringView line = terminal.text(1, 2);
        const QStringView message = line.sliced(line.indexOf(u'>') + 1);
        chat.setRowCount(1);
        chat.setText(2, 1, message);
        const qint64 before = measurer.characters;
        const double width = chatView.maxTextWidth(2);
        const qint64 measured = measurer.characters - before;
        UnitMeasurer direct;
        EXPECT_EQ(width, direct.textWidthTwips(message, chatView.font()));
        if (c.shortcut)
            EXPECT_EQ(measured, line.size() - message.size());
        else
            EXPECT_GE(measured, message.size());
    }
}

}  // namespace
