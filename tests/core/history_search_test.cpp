// Finding text in a grid's history: letter case and width folded or not,
// next and previous with wrapping, counting in slices, and a history whose
// oldest rows were dropped.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>

#include <ostream>
#include <vector>

#include "controls/FoldedMatcher.h"
#include "controls/GridModel.h"
#include "controls/HistorySearch.h"

namespace {

using Match = HistorySearch::Match;
using Direction = HistorySearch::Direction;
using Progress = HistorySearch::Progress;

void fill(GridModel& grid, const QStringList& rows)
{
    grid.setRowCount(0);
    grid.setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QStringList cells = rows[r].split(u'|');
        for (int c = 0; c < cells.size(); ++c)
            grid.setText(c + 1, r + 1, cells[c]);
    }
}

// Runs a search to its end, one row of work per slice.
Progress finish(HistorySearch& search)
{
    Progress p = Progress::Searching;
    while ((p = search.findSome(1)) == Progress::Searching) {}
    return p;
}

qint64 countAll(HistorySearch& search, qint64 budget = 1)
{
    while (!search.countSome(budget)) {}
    return search.matchCount();
}

// Each match as "row:col:matched text".
std::vector<QString> describe(const GridModel& grid, const std::vector<Match>& matches)
{
    std::vector<QString> out;
    for (const Match& m : matches)
        out.push_back(QStringLiteral("%1:%2:%3")
                          .arg(m.row)
                          .arg(m.col)
                          .arg(grid.text(m.col, m.row).mid(m.start, m.length)));
    return out;
}

struct FoldCase {
    const char* name;
    friend void PrintTo(const FoldCase& c, std::ostream* os) { *os << c.name; }
    QStringList rows;  // cells of a row split at "|"
    QString query;
    FindOptions options;
    std::vector<QString> matches;
};

class Folding : public ::testing::TestWithParam<FoldCase> {};

// The same matches, in the same order, whichever way they are reached: listed
// for highlighting, counted in slices, and walked by next and by previous.
TEST_P(Folding, MatchesListedCountedAndWalkedAlike)
{
    const FoldCase& c = GetParam();
    GridModel grid(2);
    fill(grid, c.rows);
    HistorySearch search(grid);
    search.setQuery(c.query, c.options);
    const std::vector<Match> listed = search.matchesInRows(1, grid.rowCount());
    EXPECT_EQ(describe(grid, listed), c.matches);
    EXPECT_EQ(countAll(search), qint64(c.matches.size()));

    std::vector<Match> forward, backward;
    for (size_t i = 0; i < listed.size(); ++i) {
        search.findNext(Direction::Forward);
        ASSERT_EQ(finish(search), Progress::Found);
        forward.push_back(search.current());
    }
    for (size_t i = 0; i < listed.size(); ++i) {
        search.findNext(Direction::Backward);
        ASSERT_EQ(finish(search), Progress::Found);
        backward.insert(backward.begin(), search.current());
    }
    EXPECT_EQ(forward, listed);
    // Back from the last match: every match before it, then the last again.
    if (!listed.empty()) {
        std::vector<Match> expected(listed.begin(), listed.end() - 1);
        expected.insert(expected.begin(), listed.back());
        EXPECT_EQ(backward, expected);
    }
}

constexpr FindOptions kFolded{false, false};
constexpr FindOptions kCase{true, false};
constexpr FindOptions kWidth{false, true};
constexpr FindOptions kExact{true, true};

const QStringList kLetters = {u"ABC first row"_qs, u"x ＡＢＣ|abc"_qs, u"ａｂｃ yy"_qs, u"end Abc"_qs};

INSTANTIATE_TEST_SUITE_P(
    HistorySearch, Folding,
    ::testing::Values(
        FoldCase{"LettersFolded",
                 kLetters,
                 "abc",
                 kFolded,
                 {"1:1:ABC", "2:1:ＡＢＣ", "2:2:abc", "3:1:ａｂｃ", "4:1:Abc"}},
        FoldCase{"LettersCaseMatters", kLetters, "abc", kCase, {"2:2:abc", "3:1:ａｂｃ"}},
        FoldCase{"LettersWidthMatters", kLetters, "abc", kWidth, {"1:1:ABC", "2:2:abc", "4:1:Abc"}},
        FoldCase{"LettersExact", kLetters, "abc", kExact, {"2:2:abc"}},
        FoldCase{"FullWidthQuery",
                 kLetters,
                 "ＡＢＣ",
                 kFolded,
                 {"1:1:ABC", "2:1:ＡＢＣ", "2:2:abc", "3:1:ａｂｃ", "4:1:Abc"}},
        FoldCase{"FullWidthQueryExact", kLetters, "ＡＢＣ", kExact, {"2:1:ＡＢＣ"}},
        FoldCase{"HalfWidthKana", {"ｱｲｳ", "アイウ", "あいう"}, "アイウ", kFolded, {"1:1:ｱｲｳ", "2:1:アイウ"}},
        FoldCase{"HalfWidthKanaWidthMatters", {"ｱｲｳ", "アイウ"}, "ｱｲｳ", kWidth, {"1:1:ｱｲｳ"}},
        FoldCase{"VoicedMarks",
                 {"ｶﾞｽ", "ガス", "カ゛ス", "カス", "ﾊﾟﾝ|パン"},
                 "ガス",
                 kFolded,
                 {"1:1:ｶﾞｽ", "2:1:ガス", "3:1:カ゛ス"}},
        FoldCase{"SemiVoiced", {"ﾊﾟﾝ|パン", "ﾊﾞﾝ"}, "ﾊﾟﾝ", kFolded, {"1:1:ﾊﾟﾝ", "1:2:パン"}},
        FoldCase{"BaseKanaIsNotItsVoicedForm", {"ガ", "ｶﾞ", "カ", "ｶ"}, "カ", kFolded, {"3:1:カ", "4:1:ｶ"}},
        FoldCase{"VoicedKanaExact", {"ガ", "ｶﾞ"}, "ガ", kExact, {"1:1:ガ"}},
        FoldCase{"IdeographicSpace", {"a　b", "a b"}, "a b", kFolded, {"1:1:a　b", "2:1:a b"}},
        FoldCase{"NoOverlap", {"aaaa", "aaa"}, "aa", kFolded, {"1:1:aa", "1:1:aa", "2:1:aa"}},
        FoldCase{"MatchAtCellEnds", {"xyz|x", "y", "zxyz"}, "xyz", kFolded, {"1:1:xyz", "3:1:xyz"}},
        FoldCase{"LongQueryBeyondText", {"ab"}, "abc", kFolded, {}},
        FoldCase{"VoicingMarkInTheNextCell",
                 {"first", "カ", "゛x", "ｶ|ﾞ", "ｶ", "ﾞ", "end"},
                 "カ",
                 kFolded,
                 {"2:1:カ", "4:1:ｶ", "5:1:ｶ"}},
        FoldCase{"EmptyCellsBetween",
                 {"|", "ab|", "|ab", "", "a|b", "ab"},
                 "ab",
                 kFolded,
                 {"2:1:ab", "3:2:ab", "6:1:ab"}},
        FoldCase{"ManyVariants",
                 {"K k Ｋ ｋ \u212A"},
                 "k",
                 kFolded,
                 {"1:1:K", "1:1:k", "1:1:Ｋ", "1:1:ｋ", "1:1:\u212A"}}),
    [](const auto& info) { return std::string(info.param.name); });

// The vector scan reads 16 or 8 units at a time and the last ones in an
// overlapping step: a match is found at every place of texts of every length
// around those sizes, whatever number of units can begin it.
TEST(FoldedMatcher, EveryPlaceInTextsOfEveryLength)
{
    struct Form {
        const char16_t* query;
        FindOptions options;
        const char16_t* target;
    };
    const Form forms[] = {{u"x", kExact, u"x"},   {u"x", kWidth, u"X"},       {u"x", kCase, u"ｘ"},
                          {u"x", kFolded, u"Ｘ"}, {u"k", kFolded, u"\u212A"}, {u"ガ", kFolded, u"ｶﾞ"}};
    for (const Form& f : forms) {
        const FoldedMatcher matcher(QStringView(f.query), f.options);
        const QString target = QString::fromUtf16(f.target);
        for (int length = 1; length <= 40; ++length) {
            for (int at = 0; at + target.size() <= length; ++at) {
                QString text(length, u'a');
                text.replace(at, target.size(), target);
                const FoldedMatcher::Span s = matcher.findIn(text);
                EXPECT_EQ(s.start, at) << text.toStdString();
                EXPECT_EQ(s.length, target.size()) << text.toStdString();
                EXPECT_EQ(matcher.countIn(text), 1) << text.toStdString();
            }
            EXPECT_FALSE(matcher.findIn(QString(length, u'a')).found());
        }
    }
}

class Search : public ::testing::Test {
protected:
    void SetUp() override { fill(grid, {"hit one", "nothing", "a hit and a hit", "none", "last hit"}); }
    Match findFrom(int row, int col, qsizetype offset, Direction d)
    {
        search.findFrom(row, col, offset, d);
        EXPECT_EQ(finish(search), Progress::Found);
        return search.current();
    }
    GridModel grid{1};
    HistorySearch search{grid};
};

TEST_F(Search, ForwardFromAPlaceTakesTheFirstAtOrAfterIt)
{
    search.setQuery(u"hit", {});
    EXPECT_EQ(findFrom(3, 1, 0, Direction::Forward), (Match{3, 1, 2, 3}));
    EXPECT_EQ(findFrom(3, 1, 2, Direction::Forward), (Match{3, 1, 2, 3}));
    EXPECT_EQ(findFrom(3, 1, 3, Direction::Forward), (Match{3, 1, 12, 3}));
    EXPECT_EQ(findFrom(2, 1, 0, Direction::Forward), (Match{3, 1, 2, 3}));
}

TEST_F(Search, BackwardFromAPlaceTakesTheLastBeforeIt)
{
    search.setQuery(u"hit", {});
    EXPECT_EQ(findFrom(3, 1, 12, Direction::Backward), (Match{3, 1, 2, 3}));
    EXPECT_EQ(findFrom(3, 1, 13, Direction::Backward), (Match{3, 1, 12, 3}));
    EXPECT_EQ(findFrom(4, 1, 0, Direction::Backward), (Match{3, 1, 12, 3}));
}

TEST_F(Search, WrapsBothWays)
{
    search.setQuery(u"hit", {});
    EXPECT_EQ(findFrom(5, 1, 6, Direction::Forward), (Match{1, 1, 0, 3}));
    EXPECT_EQ(findFrom(1, 1, 0, Direction::Backward), (Match{5, 1, 5, 3}));
    // The origin row's other part is reached last.
    fill(grid, {"one", "x hit hit"});
    EXPECT_EQ(findFrom(2, 1, 4, Direction::Forward), (Match{2, 1, 6, 3}));
    EXPECT_EQ(findFrom(2, 1, 7, Direction::Forward), (Match{2, 1, 2, 3}));
    EXPECT_EQ(findFrom(2, 1, 2, Direction::Backward), (Match{2, 1, 6, 3}));
}

TEST_F(Search, NextAndPreviousStepFromTheCurrentMatch)
{
    search.setQuery(u"HIT", {});
    const std::vector<Match> order = {{1, 1, 0, 3}, {3, 1, 2, 3}, {3, 1, 12, 3}, {5, 1, 5, 3}, {1, 1, 0, 3}};
    for (const Match& m : order) {
        search.findNext(Direction::Forward);
        EXPECT_EQ(finish(search), Progress::Found);
        EXPECT_EQ(search.current(), m);
    }
    search.findNext(Direction::Backward);
    EXPECT_EQ(finish(search), Progress::Found);
    EXPECT_EQ(search.current(), (Match{5, 1, 5, 3}));
}

TEST_F(Search, NoMatchAndEmptyQueryFindNothing)
{
    for (const QString& query : {QString(), QStringLiteral("absent")}) {
        search.setQuery(query, {});
        search.findNext(Direction::Forward);
        EXPECT_EQ(finish(search), Progress::NotFound) << query.toStdString();
        EXPECT_FALSE(search.current().isValid());
        EXPECT_EQ(countAll(search), 0);
        EXPECT_TRUE(search.countFinished());
        EXPECT_TRUE(search.matchesInRows(1, 5).empty());
    }
    EXPECT_FALSE(HistorySearch(grid).hasQuery());
}

TEST_F(Search, EmptyGridFindsNothing)
{
    grid.setRowCount(0);
    search.setQuery(u"hit", {});
    search.findFrom(3, 1, 0, Direction::Backward);
    EXPECT_EQ(finish(search), Progress::NotFound);
    EXPECT_EQ(countAll(search), 0);
}

TEST_F(Search, ASliceStopsWithinItsBudgetAndResumes)
{
    fill(grid, QStringList(1000, QStringLiteral("filler")) << QStringLiteral("the hit"));
    search.setQuery(u"hit", {});
    search.findFrom(1, 1, 0, Direction::Forward);
    EXPECT_EQ(search.findSome(100), Progress::Searching);
    EXPECT_EQ(search.findSome(1'000'000), Progress::Found);
    EXPECT_EQ(search.current(), (Match{1001, 1, 4, 3}));
    EXPECT_FALSE(search.countSome(100));
    EXPECT_FALSE(search.countFinished());
    EXPECT_TRUE(search.countSome(1'000'000));
    EXPECT_EQ(search.matchCount(), 1);
}

TEST_F(Search, CountFollowsNewRowsAndTheGrowingLastRow)
{
    search.setQuery(u"hit", {});
    EXPECT_EQ(countAll(search), 4);
    grid.appendText(1, 5, u" hit");
    EXPECT_FALSE(search.countFinished());
    EXPECT_EQ(countAll(search), 5);
    grid.setRowCount(6);
    grid.setText(1, 6, u"hit");
    EXPECT_FALSE(search.countFinished());
    EXPECT_EQ(countAll(search, 1'000'000), 6);
    EXPECT_TRUE(search.countFinished());
    grid.setText(1, 1, u"gone");
    EXPECT_EQ(countAll(search), 5);
}

TEST_F(Search, OldestRowsDroppedCountAfreshAndFindStaysInRange)
{
    search.setQuery(u"hit", {});
    EXPECT_EQ(countAll(search), 4);
    search.findFrom(5, 1, 0, Direction::Forward);
    ASSERT_EQ(finish(search), Progress::Found);
    grid.dropOldestRows(3);  // "none", "last hit" stay
    EXPECT_FALSE(search.countFinished());
    EXPECT_EQ(countAll(search), 1);
    search.findNext(Direction::Forward);
    EXPECT_EQ(finish(search), Progress::Found);
    EXPECT_EQ(search.current(), (Match{2, 1, 5, 3}));
    search.findFrom(5, 1, 0, Direction::Backward);
    EXPECT_EQ(finish(search), Progress::Found);
    EXPECT_EQ(search.current(), (Match{2, 1, 5, 3}));
    EXPECT_EQ(search.matchesInRows(-3, 9).size(), 1u);
}

// Rows whose texts no longer lie one after another (a cell rewritten with a
// longer text moves to the end of the grid's text) are found and counted
// all the same, and a match is never taken across the moved cell's ends.
TEST_F(Search, RowsRewrittenOutOfOrderAreFoundAndCounted)
{
    GridModel rewritten(2);
    QStringList rows;
    for (int r = 1; r <= 40; ++r)
        rows << QStringLiteral("row %1 ab|c").arg(r);
    fill(rewritten, rows);
    rewritten.setText(1, 7, u"row 7 rewritten much longer abc");
    rewritten.setText(2, 20, u"bc");
    rewritten.appendText(1, 30, u" a");
    HistorySearch s(rewritten);
    s.setQuery(u"abc", {});
    const std::vector<Match> listed = s.matchesInRows(1, rewritten.rowCount());
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(countAll(s, 1 << 20), 1);
    s.findFrom(2, 1, 0, Direction::Forward);
    ASSERT_EQ(finish(s), Progress::Found);
    EXPECT_EQ(s.current(), listed[0]);
    s.setQuery(u"ab", {});
    EXPECT_EQ(countAll(s, 1 << 20), 40);
    s.setQuery(u"crow", {});
    EXPECT_EQ(countAll(s, 1 << 20), 0);
}

TEST_F(Search, NewQueryRestartsTheSearchAndTheCount)
{
    search.setQuery(u"hit", {});
    EXPECT_EQ(countAll(search), 4);
    search.findNext(Direction::Forward);
    ASSERT_EQ(finish(search), Progress::Found);
    search.setQuery(u"no", {});
    EXPECT_FALSE(search.current().isValid());
    EXPECT_EQ(countAll(search), 2);
}

}  // namespace
