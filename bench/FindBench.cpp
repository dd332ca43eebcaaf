#include "FindBench.h"

#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

#include "BenchRig.h"
#include "Measure.h"
#include "TrafficGenerator.h"
#include "common/Cp932.h"
#include "controls/HistorySearch.h"

namespace {

// Work per slice, as the find bar gives it between event-loop turns.
constexpr qint64 kSlice = qint64(1) << 21;

// Rare text, in full-width letters and in an address, found by "zephyr"
// with letter case and width folded.
const char16_t kNeedle[] = u"ﾐﾄﾞﾘ>ＺＥＰＨＹＲ の件は http://example.jp/zephyr を見て";

void fill(BenchRig& rig, qint64 lines, qsizetype block)
{
    TrafficGenerator traffic(17);
    QByteArray bytes;
    const QByteArray needle = Cp932::encode(QString::fromUtf16(kNeedle)).bytes + "\r\n";
    const qint64 before = std::max<qint64>(lines - 1000, 0);
    while (traffic.lines() < before) {
        bytes.resize(0);
        traffic.generateLines(bytes, std::min<qint64>(10'000, before - traffic.lines()));
        rig.receiveAll(bytes, block);
    }
    for (int k = 0; k < 3; ++k) {
        bytes = needle;
        traffic.generateLines(bytes, 300);
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

}  // namespace

void findInHistory(qint64 lines, qsizetype block, int repeat)
{
    BenchRig rig;
    fill(rig, lines, block);
    const GridModel& grid = rig.terminalModel();
    qint64 units = 0;
    for (int row = 1; row <= grid.rowCount(); ++row)
        units += grid.text(1, row).size();
    HistorySearch search(grid);
    const QString rare = QStringLiteral("zephyr");
    const QString common = QString::fromUtf16(u"ｼﾞﾛｳ");
    std::vector<double> first, count, countCommon;
    qint64 firstRow = 0, matches = 0, commonMatches = 0;
    for (int r = 0; r < repeat; ++r) {
        first.push_back(timeToFirst(search, rare, firstRow));
        count.push_back(timeToCount(search, rare, matches));
        countCommon.push_back(timeToCount(search, common, commonMatches));
    }
    Measure::note("find: the first match lies in the last thousand rows, the search starts at the first");
    Measure::print("find-history-rows", double(grid.rowCount()), "rows");
    Measure::print("find-history-text", double(units) * 2 / 1e6, "MB");
    Measure::print("find-first-match-row", double(firstRow), "row");
    Measure::print("find-first-match", Measure::median(first) * 1e3, "ms");
    Measure::print("find-matches", double(matches), "matches");
    Measure::print("find-count-all", Measure::median(count) * 1e3, "ms");
    Measure::print("find-common-matches", double(commonMatches), "matches");
    Measure::print("find-count-all-common", Measure::median(countCommon) * 1e3, "ms");
}
