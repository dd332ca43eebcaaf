#include "FindBench.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "BenchRig.h"
#include "ChatTextGenerator.h"
#include "Measure.h"
#include "TrafficGenerator.h"
#include "common/Cp932.h"
#include "controls/HistorySearch.h"
#include "controls/SearchSummaries.h"

namespace {

// Work per slice, as the find bar gives it between event-loop turns.
constexpr qint64 kSlice = qint64(1) << 21;

// Rare text, in full-width letters and in an address, found by "zephyr"
// with letter case and width folded.
const char16_t kNeedle[] = u"ﾐﾄﾞﾘ>ＺＥＰＨＹＲ の件は http://example.jp/zephyr を見て";

// Appends about `count` lines of a history's text to `out`; returns the
// lines appended.
using TextSource = std::function<qint64(QByteArray&, qint64)>;

void fill(BenchRig& rig, qint64 lines, qsizetype block, const TextSource& source)
{
    QByteArray bytes;
    const QByteArray needle = Cp932::encode(QString::fromUtf16(kNeedle)).bytes + "\r\n";
    const qint64 before = std::max<qint64>(lines - 1000, 0);
    for (qint64 done = 0; done < before;) {
        bytes.resize(0);
        done += source(bytes, std::min<qint64>(10'000, before - done));
        rig.receiveAll(bytes, block);
    }
    for (int k = 0; k < 3; ++k) {
        bytes = needle;
        source(bytes, 300);
        rig.receiveAll(bytes, block);
    }
}

double timeToFirst(HistorySearch& search, const QString& query, qint64& found)
{
    const Measure::Stopwatch watch;
    search.setQuery(query, FindOptions{});
    search.findFrom(1, 1, 0, HistorySearch::Direction::Forward);
    HistorySearch::Progress p;
    while ((p = search.findSome(kSlice)) == HistorySearch::Progress::Searching) {}
    const double t = watch.seconds();
    found = p == HistorySearch::Progress::Found ? search.current().row : 0;
    return t;
}

double timeToCount(HistorySearch& search, const QString& query, qint64& count)
{
    const Measure::Stopwatch watch;
    search.setQuery(query, FindOptions{});
    while (!search.countSome(kSlice)) {}
    const double t = watch.seconds();
    count = search.matchCount();
    return t;
}

// Summarises every complete block, as the view does while it is quiet;
// returns the seconds it took.
double buildSummaries(SearchSummaries& summaries)
{
    const Measure::Stopwatch watch;
    while (!summaries.buildSome(kSlice)) {}
    return watch.seconds();
}

// The share of summarised blocks the query rules out.
double ruledOut(const GridModel& grid, const SearchSummaries& summaries, const QString& query)
{
    const SearchSummaries::Probe probe{FoldedMatcher(query, FindOptions{})};
    qint64 blocks = 0, out = 0;
    for (int row = 1; row <= grid.rowCount();) {
        const SearchSummaries::Verdict v = summaries.check(probe, row);
        ++blocks;
        out += v.rejected ? 1 : 0;
        row = v.last + 1;
    }
    return blocks > 0 ? double(out) / double(blocks) : 0;
}

// Fills a history from `source`, times find over it and prints the figures,
// each name followed by `suffix`.
void findIn(const TextSource& source, const std::string& suffix, qint64 lines, qsizetype block, int repeat)
{
    BenchRig rig;
    fill(rig, lines, block, source);
    const GridModel& grid = rig.terminalModel();
    qint64 units = 0;
    for (int row = 1; row <= grid.rowCount(); ++row)
        units += grid.text(1, row).size();
    // The grid does not change from here on, so summaries of its own, told of
    // no change, stay as right as the view's.
    SearchSummaries summaries(grid);
    HistorySearch unindexed(grid), search(grid);
    search.setSummaries(&summaries);
    const QString rare = QStringLiteral("zephyr");
    const QString common = QString::fromUtf16(u"ｼﾞﾛｳ");
    std::vector<double> firstBare, countBare, build, first, count, countCommon;
    qint64 firstRow = 0, bareRow = 0, matches = 0, bareMatches = 0, commonMatches = 0;
    for (int r = 0; r < repeat; ++r) {
        firstBare.push_back(timeToFirst(unindexed, rare, bareRow));
        countBare.push_back(timeToCount(unindexed, rare, bareMatches));
        summaries.reset();
        build.push_back(buildSummaries(summaries));
        first.push_back(timeToFirst(search, rare, firstRow));
        count.push_back(timeToCount(search, rare, matches));
        countCommon.push_back(timeToCount(search, common, commonMatches));
    }
    if (firstRow != bareRow || matches != bareMatches)
        Measure::note("find: the summaries changed what was found");
    const auto print = [&](const char* name, double value, const char* unit) {
        Measure::print((name + suffix).c_str(), value, unit);
    };
    print("find-history-rows", double(grid.rowCount()), "rows");
    print("find-history-text", double(units) * 2 / 1e6, "MB");
    print("find-index-build", Measure::median(build) * 1e3, "ms");
    print("find-index-build-per-row", Measure::median(build) * 1e9 / double(grid.rowCount()), "ns");
    print("find-index-memory", double(summaries.memoryUse()) / double(grid.rowCount()), "B/row");
    print("find-index-blocks-ruled-out", ruledOut(grid, summaries, rare) * 100, "%");
    print("find-first-match-row", double(firstRow), "row");
    print("find-first-match-unindexed", Measure::median(firstBare) * 1e3, "ms");
    print("find-first-match", Measure::median(first) * 1e3, "ms");
    print("find-matches", double(matches), "matches");
    print("find-count-all-unindexed", Measure::median(countBare) * 1e3, "ms");
    print("find-count-all", Measure::median(count) * 1e3, "ms");
    print("find-common-matches", double(commonMatches), "matches");
    print("find-count-all-common", Measure::median(countCommon) * 1e3, "ms");
}

}  // namespace

// One history at a time: two of ten million rows may not fit in memory.
void findInHistory(qint64 lines, qsizetype block, int repeat)
{
    Measure::note("find: the first match lies in the last thousand rows, the search starts at the first");
    ChatTextGenerator chat(17);
    if (!chat.vocabularyLacks("zephyr"))
        Measure::note("find: the chat-like text holds the rare word");
    findIn(
        [&chat](QByteArray& out, qint64 count) {
            chat.generateLines(out, count);
            return count;
        },
        "", lines, block, repeat);
    TrafficGenerator traffic(17);
    findIn(
        [&traffic](QByteArray& out, qint64 count) {
            const qint64 before = traffic.lines();
            traffic.generateLines(out, count);
            return traffic.lines() - before;
        },
        "-random-text", lines, block, repeat);
}
