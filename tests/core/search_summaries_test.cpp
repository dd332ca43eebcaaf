// The block summaries that let find skip rows: a block holding a match is
// never ruled out, whatever the options and the script; blocks that cannot
// hold one are; and the summaries follow rows rewritten, cut, dropped at the
// front and the grid reset.

#include <gtest/gtest.h>

#include <QString>

#include <ostream>
#include <vector>

#include "controls/FoldedMatcher.h"
#include "controls/GridModel.h"
#include "controls/GridViewState.h"
#include "controls/HistorySearch.h"
#include "controls/SearchFolding.h"
#include "controls/SearchSummaries.h"
#include "support/PrintQString.h"

namespace {

using Direction = HistorySearch::Direction;
using Progress = HistorySearch::Progress;
using Match = HistorySearch::Match;
constexpr int kBlock = SearchSummaries::kRowsPerBlock;

// Rows of two cells whose pairs are few ("aa", "bb"), so that a block of
// them rules out most queries.
void fillPlain(GridModel& grid, int rows)
{
    grid.setRowCount(0);
    grid.setRowCount(rows);
    for (int row = 1; row <= rows; ++row) {
        grid.setText(1, row, u"aaaa");
        grid.setText(2, row, u"bbbb");
    }
}

void buildAll(SearchSummaries& summaries)
{
    while (!summaries.buildSome(1)) {}
}

Match runToEnd(HistorySearch& search)
{
    while (search.findSome(1000) == Progress::Searching) {}
    return search.current();
}

// Every row the summaries rule out truly holds no match: the one property
// find relies on.
void expectNoMatchInRuledOut(const GridModel& grid, const SearchSummaries& summaries, const QString& query,
                             const FindOptions& options)
{
    const FoldedMatcher matcher(query, options);
    const SearchSummaries::Probe probe(matcher);
    for (int row = 1; row <= grid.rowCount(); ++row) {
        if (!summaries.check(probe, row).rejected)
            continue;
        for (int col = 1; col <= grid.columnCount(); ++col)
            ASSERT_EQ(matcher.countIn(grid.text(col, row)), 0) << "row " << row << " col " << col;
    }
}

struct HeldCase {
    const char* name;
    friend void PrintTo(const HeldCase& c, std::ostream* os) { *os << c.name; }
    QString text;  // in column 2 of one row
    QString query;
    FindOptions options;
};

class BlockHoldingAMatch : public ::testing::TestWithParam<HeldCase> {};

// The match lies in the middle block, among rows of other text; the search
// from the first row with the summaries built finds it, and the count
// agrees with the count that reads every row.
TEST_P(BlockHoldingAMatch, IsNeverRuledOut)
{
    const HeldCase& c = GetParam();
    GridModel grid(2);
    GridViewState view(grid);
    fillPlain(grid, 3 * kBlock + 1);
    const int row = kBlock + kBlock / 2;
    grid.setText(2, row, QStringLiteral("前") + c.text + QStringLiteral("後"));
    SearchSummaries& summaries = view.searchSummaries();
    buildAll(summaries);
    ASSERT_EQ(summaries.summarizedBlocks(), 3);

    HistorySearch search(grid);
    search.setSummaries(&summaries);
    search.setQuery(c.query, c.options);
    EXPECT_FALSE(summaries.check(SearchSummaries::Probe(search.matcher()), row).rejected);
    search.findFrom(1, 1, 0, Direction::Forward);
    EXPECT_EQ(runToEnd(search).row, row);
    search.findFrom(grid.rowCount(), 2, 0, Direction::Backward);
    EXPECT_EQ(runToEnd(search).row, row);
    while (!search.countSome(1)) {}
    EXPECT_EQ(search.matchCount(), 1);
    expectNoMatchInRuledOut(grid, summaries, c.query, c.options);
}

INSTANTIATE_TEST_SUITE_P(
    AcrossOptions, BlockHoldingAMatch,
    ::testing::Values(HeldCase{"full-width letters, query narrow", u"ＡＢＣ"_qs, u"abc"_qs, {}},
                      HeldCase{"narrow letters, query full-width", u"abc"_qs, u"ＡＢＣ"_qs, {}},
                      HeldCase{"case kept, width folded", u"ＡＢＣ"_qs, u"ABC"_qs, {true, false}},
                      HeldCase{"width kept, case folded", u"ＡＢＣ"_qs, u"ａｂｃ"_qs, {false, true}},
                      HeldCase{"case and width kept", u"ZePhYr"_qs, u"ZePhYr"_qs, {true, true}},
                      HeldCase{"half-width kana, query full-width", u"ｱｲｳ"_qs, u"アイウ"_qs, {}},
                      HeldCase{"full-width kana, query half-width", u"アイウ"_qs, u"ｱｲｳ"_qs, {}},
                      HeldCase{"half-width voiced kana, query one letter", u"ｶﾞｷﾞ"_qs, u"ガギ"_qs, {}},
                      HeldCase{"voiced kana, query half-width", u"ガギ"_qs, u"ｶﾞｷﾞ"_qs, {}},
                      HeldCase{"voiced kana alone, width kept", u"ガ"_qs, u"ガ"_qs, {false, true}},
                      HeldCase{"separate voicing mark", u"カ゛"_qs, u"ガ"_qs, {}},
                      HeldCase{"voiced kana, case kept", u"ｶﾞ"_qs, u"ガ"_qs, {true, false}},
                      HeldCase{"surrogate pair", u"𠮷野家"_qs, u"𠮷野"_qs, {}},
                      HeldCase{"emoji between letters", u"a😀b"_qs, u"😀B"_qs, {}},
                      HeldCase{"ideographic space", u"x　y"_qs, u"x y"_qs, {}},
                      HeldCase{"Greek in other case", u"ΣΟΦΙΑ"_qs, u"σοφια"_qs, {}},
                      HeldCase{"full-width yen sign", u"￥100"_qs, u"¥100"_qs, {}}));

// With every row "aaaa" / "bbbb", a query with any other pair rules out
// every complete block: otherwise the table above could pass with
// summaries that never rule anything out.
TEST(SearchSummaries, RuleOutBlocksThatLackAPairOfTheQuery)
{
    GridModel grid(2);
    GridViewState view(grid);
    fillPlain(grid, 2 * kBlock + 10);
    SearchSummaries& summaries = view.searchSummaries();
    buildAll(summaries);
    const FoldedMatcher zephyr(u"zephyr", {});
    const SearchSummaries::Probe probe(zephyr);
    const SearchSummaries::Verdict first = summaries.check(probe, 1);
    EXPECT_TRUE(first.rejected);
    EXPECT_EQ(first.first, 1);
    EXPECT_EQ(first.last, kBlock);
    EXPECT_TRUE(summaries.check(probe, 2 * kBlock).rejected);
    // The block holding the last row is still being written: never summarised.
    EXPECT_FALSE(summaries.check(probe, 2 * kBlock + 1).rejected);
    // "ab" only spans the two cells: a pair is taken within one cell.
    EXPECT_TRUE(summaries.check(SearchSummaries::Probe(FoldedMatcher(u"ab", {})), 1).rejected);
    EXPECT_FALSE(summaries.check(SearchSummaries::Probe(FoldedMatcher(u"AAA", {})), 1).rejected);
}

TEST(SearchSummaries, AOneCharacterQueryIsNeverRuledOut)
{
    GridModel grid(2);
    GridViewState view(grid);
    fillPlain(grid, 2 * kBlock + 1);
    const int row = kBlock * 2 / 3;
    grid.setText(1, row, u"z");
    buildAll(view.searchSummaries());
    for (const char16_t* query : {u"z", u"Ｚ", u"q"}) {
        const SearchSummaries::Probe probe{FoldedMatcher(QString::fromUtf16(query), {})};
        EXPECT_TRUE(probe.isEmpty());
        EXPECT_FALSE(view.searchSummaries().check(probe, row).rejected);
    }
    HistorySearch search(grid);
    search.setSummaries(&view.searchSummaries());
    search.setQuery(u"Ｚ", {});
    search.findNext(Direction::Forward);
    EXPECT_EQ(runToEnd(search), (Match{row, 1, 0, 1}));
}

// The query's pairs are folded on from the matcher's folding to the most
// folded form; that is only sound if the most folded form of a character
// is the most folded form of its folding under every set of options.
TEST(SearchSummaries, MostFoldedFormFollowsFromEveryOptionsFolding)
{
    const SearchFolding& most = SearchFolding::forOptions({});
    const auto foldedOn = [&](quint32 entry) {
        std::u16string out;
        for (const char16_t unit : {SearchFolding::firstOf(entry), SearchFolding::secondOf(entry)}) {
            if (unit == 0 && !out.empty())
                break;
            const quint32 e = most.entry(unit);
            out.push_back(SearchFolding::firstOf(e));
            if (SearchFolding::secondOf(e))
                out.push_back(SearchFolding::secondOf(e));
        }
        return out;
    };
    for (const FindOptions options : {FindOptions{false, false}, FindOptions{true, false},
                                      FindOptions{false, true}, FindOptions{true, true}}) {
        const SearchFolding& folding = SearchFolding::forOptions(options);
        int wrong = 0;
        for (quint32 c = 1; c < 0x10000; ++c) {
            const quint32 direct = most.entry(char16_t(c));
            std::u16string expected(1, SearchFolding::firstOf(direct));
            if (SearchFolding::secondOf(direct))
                expected.push_back(SearchFolding::secondOf(direct));
            if (foldedOn(folding.entry(char16_t(c))) != expected && ++wrong <= 5)
                ADD_FAILURE() << "U+" << std::hex << c << " case " << options.matchCase << " width "
                              << options.matchWidth;
        }
        EXPECT_EQ(wrong, 0);
    }
}

// Searching with the summaries visits the same matches, in the same order,
// as reading every row: forward and backward, wrapping, from an origin
// inside a block that is ruled out, and counting.
TEST(SearchSummaries, SearchWithSummariesWalksTheSameMatches)
{
    GridModel grid(2);
    GridViewState view(grid);
    fillPlain(grid, 5 * kBlock + 3);
    for (const int row : {1, 2 * kBlock + 1, 2 * kBlock + 2, 3 * kBlock, 5 * kBlock + 3})
        grid.setText(2, row, u"x zephyr y zephyr");
    buildAll(view.searchSummaries());
    HistorySearch plain(grid), skipping(grid);
    skipping.setSummaries(&view.searchSummaries());
    for (HistorySearch* s : {&plain, &skipping})
        s->setQuery(u"ZEPHYR", {});
    for (const Direction direction : {Direction::Forward, Direction::Backward}) {
        plain.findFrom(4 * kBlock, 1, 0, direction);
        skipping.findFrom(4 * kBlock, 1, 0, direction);
        for (int step = 0; step < 12; ++step) {
            const Match expected = runToEnd(plain);
            ASSERT_EQ(runToEnd(skipping), expected) << "step " << step;
            plain.findNext(direction);
            skipping.findNext(direction);
        }
    }
    while (!skipping.countSome(1)) {}
    EXPECT_EQ(skipping.matchCount(), 10);
    skipping.setQuery(u"nowhere", {});
    skipping.findFrom(3 * kBlock, 2, 0, Direction::Forward);
    EXPECT_EQ(runToEnd(skipping), Match{});
}

enum class Edit { SetOldRow, AppendToOldRow, CutOldRow, DropOne, DropBlockAndSome, DropAll, Reset, Columns };

struct EditCase {
    const char* name;
    friend void PrintTo(const EditCase& c, std::ostream* os) { *os << c.name; }
    Edit edit;
    int summarizedAfter;  // blocks still summarised
};

class SummariesAfter : public ::testing::TestWithParam<EditCase> {};

// After the edit, the query written into an old row is found, no ruled-out
// row holds a match, and the blocks left summarised are the ones whose rows
// were not rewritten.
TEST_P(SummariesAfter, RuleOutOnlyRowsWithoutAMatch)
{
    const EditCase& c = GetParam();
    GridModel grid(2);
    GridViewState view(grid);
    fillPlain(grid, 4 * kBlock + 1);
    grid.setText(1, 10, u"zephyr here");
    SearchSummaries& summaries = view.searchSummaries();
    buildAll(summaries);
    const int row = kBlock + 7;
    switch (c.edit) {
    case Edit::SetOldRow:
        grid.setText(2, row, u"a zephyr");
        break;
    case Edit::AppendToOldRow:
        grid.appendText(2, row, u" zephyr");
        break;
    case Edit::CutOldRow:
        grid.truncateText(1, 10, 6);
        break;
    case Edit::DropOne:
        grid.dropOldestRows(1);
        break;
    case Edit::DropBlockAndSome:
        grid.dropOldestRows(kBlock + 5);
        grid.setText(2, 3, u"zephyr");
        break;
    case Edit::DropAll:
        grid.dropOldestRows(grid.rowCount());
        fillPlain(grid, 2 * kBlock + 1);
        grid.setText(1, 2, u"ZEPHYR");
        break;
    case Edit::Reset:
        grid.setRowCount(0);
        fillPlain(grid, 2 * kBlock + 1);
        grid.setText(1, 2, u"ZEPHYR");
        break;
    case Edit::Columns:
        grid.setColumnCount(3);
        grid.setText(3, 3, u"zephyr");
        break;
    }
    EXPECT_EQ(summaries.summarizedBlocks(), c.summarizedAfter);
    for (const QString& query : {u"zephyr"_qs, u"a zephyr"_qs, u"zephyr here"_qs, u"aaaa"_qs})
        expectNoMatchInRuledOut(grid, summaries, query, {});
    // Built again, they rule out as much as before.
    buildAll(summaries);
    expectNoMatchInRuledOut(grid, summaries, u"zephyr"_qs, {});
    const SearchSummaries::Probe probe{FoldedMatcher(u"zephyr", {})};
    EXPECT_TRUE(summaries.check(probe, grid.rowCount() - kBlock).rejected);
}

INSTANTIATE_TEST_SUITE_P(Edits, SummariesAfter,
                         ::testing::Values(EditCase{"a cell of an old row rewritten", Edit::SetOldRow, 3},
                                           EditCase{"a cell of an old row extended", Edit::AppendToOldRow, 3},
                                           EditCase{"a cell of an old row cut", Edit::CutOldRow, 4},
                                           EditCase{"the oldest row dropped", Edit::DropOne, 4},
                                           EditCase{"a block and some rows dropped", Edit::DropBlockAndSome,
                                                    2},
                                           EditCase{"every row dropped, new rows added", Edit::DropAll, 0},
                                           EditCase{"the grid emptied and filled anew", Edit::Reset, 0},
                                           EditCase{"a column added", Edit::Columns, 0}));

// Only complete blocks are summarised, a budget of one summarises one block
// per call, and the summaries cost at most two bytes per row.
TEST(SearchSummaries, BuildsCompleteBlocksInSlicesWithinTheirMemory)
{
    GridModel grid(1);
    GridViewState view(grid);
    SearchSummaries& summaries = view.searchSummaries();
    grid.setRowCount(kBlock);
    EXPECT_TRUE(summaries.buildSome(1));
    EXPECT_EQ(summaries.summarizedBlocks(), 0);
    grid.setRowCount(3 * kBlock + 1);
    EXPECT_FALSE(summaries.isComplete());
    EXPECT_FALSE(summaries.buildSome(1));
    EXPECT_EQ(summaries.summarizedBlocks(), 1);
    EXPECT_TRUE(summaries.buildSome(1 << 30));
    EXPECT_TRUE(summaries.isComplete());
    EXPECT_EQ(summaries.summarizedBlocks(), 3);
    EXPECT_LE(summaries.memoryUse(), 2 * 3 * kBlock);
}

// Text of many different pairs sets nearly every bit: such a block keeps no
// bits, rules out nothing and costs next to no memory.
TEST(SearchSummaries, ABlockOfTooManyPairsKeepsNoBits)
{
    GridModel grid(1);
    GridViewState view(grid);
    grid.setRowCount(2 * kBlock + 1);
    // About six pairs a bit, however many rows a block holds.
    constexpr int kPerRow = 6 * SearchSummaries::kBits / kBlock + 1;
    for (int row = 1; row <= kBlock; ++row) {
        QString text;
        for (int k = 0; k < kPerRow; ++k)
            text += QChar(char16_t(0x4E00 + (row * kPerRow + k) * 7919 % 20000));
        grid.setText(1, row, text);
    }
    SearchSummaries& summaries = view.searchSummaries();
    buildAll(summaries);
    EXPECT_EQ(summaries.summarizedBlocks(), 2);
    const SearchSummaries::Probe probe{FoldedMatcher(u"zephyr", {})};
    EXPECT_FALSE(summaries.check(probe, 1).rejected);
    EXPECT_TRUE(summaries.check(probe, kBlock + 1).rejected);
    EXPECT_LT(summaries.memoryUse(), SearchSummaries::kBits / 8 + 64);
}

}  // namespace
