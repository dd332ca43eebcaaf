#include "controls/HistorySearch.h"

#include <algorithm>
#include <limits>

#include "controls/GridModel.h"

namespace {

// Work charged for a row beside its text, so that a run of empty rows ends
// a slice too.
constexpr qint64 kRowCost = 8;

constexpr qsizetype kEndOfCell = std::numeric_limits<qsizetype>::max();

}  // namespace

HistorySearch::HistorySearch(const GridModel& grid) : grid_(grid) {}

void HistorySearch::setSummaries(const SearchSummaries* summaries)
{
    summaries_ = summaries;
}

void HistorySearch::setQuery(QStringView query, const FindOptions& options)
{
    matcher_ = FoldedMatcher(query, options);
    probe_ = SearchSummaries::Probe(matcher_);
    searching_ = false;
    current_ = {};
    restartCount();
}

void HistorySearch::findFrom(int row, int col, qsizetype offset, Direction direction)
{
    direction_ = direction;
    originRow_ = std::clamp(row, 1, std::max(grid_.rowCount(), 1));
    originCol_ = std::clamp(col, 1, std::max(grid_.columnCount(), 1));
    originOffset_ = std::max<qsizetype>(offset, 0);
    cursorRow_ = originRow_;
    // The origin row is visited twice: from the place on, and after the
    // wrap, for the part before it.
    rowsLeft_ = qint64(grid_.rowCount()) + 1;
    searching_ = true;
}

void HistorySearch::findNext(Direction direction)
{
    if (!current_.isValid()) {
        if (direction == Direction::Forward)
            findFrom(1, 1, 0, direction);
        else
            findFrom(grid_.rowCount(), grid_.columnCount(), kEndOfCell, direction);
        return;
    }
    const Match at = current_;
    findFrom(at.row, at.col, direction == Direction::Forward ? at.start + 1 : at.start, direction);
}

HistorySearch::Progress HistorySearch::findSome(qint64 budget)
{
    if (!searching_)
        return current_.isValid() ? Progress::Found : Progress::NotFound;
    const int rows = grid_.rowCount();
    qint64 used = 0;
    forgetPassed();
    while (rowsLeft_ > 0 && !matcher_.isEmpty() && rows > 0) {
        cursorRow_ = std::clamp(cursorRow_, 1, rows);
        if (skipRejectedBlock(rows)) {
            used += kRowCost;
            if (used >= budget && rowsLeft_ > 0)
                return Progress::Searching;
            continue;
        }
        const bool firstVisit = rowsLeft_ == qint64(rows) + 1;
        if (direction_ == Direction::Forward && !firstVisit) {
            const qint64 last = std::min({qint64(rows), cursorRow_ + rowsLeft_ - 1, qint64(passedLast_)});
            if (const int joined = joinRows(cursorRow_, int(last), budget - used)) {
                rowsLeft_ -= joined;
                used += joined_.size() + joined * kRowCost;
                if (findInJoined(cursorRow_)) {
                    searching_ = false;
                    return Progress::Found;
                }
                cursorRow_ = cursorRow_ + joined > rows ? 1 : cursorRow_ + joined;
                if (used >= budget && rowsLeft_ > 0)
                    return Progress::Searching;
                continue;
            }
        }
        --rowsLeft_;
        if (searchRow(cursorRow_, firstVisit, used)) {
            searching_ = false;
            return Progress::Found;
        }
        used += kRowCost;
        if (direction_ == Direction::Forward)
            cursorRow_ = cursorRow_ < rows ? cursorRow_ + 1 : 1;
        else
            cursorRow_ = cursorRow_ > 1 ? cursorRow_ - 1 : rows;
        if (used >= budget && rowsLeft_ > 0)
            return Progress::Searching;
    }
    searching_ = false;
    current_ = {};
    return Progress::NotFound;
}

// Without summaries, or with a query they cannot rule out, every row passes.
void HistorySearch::forgetPassed()
{
    const bool all = !summaries_ || probe_.isEmpty();
    passedFirst_ = all ? std::numeric_limits<int>::min() : 1;
    passedLast_ = all ? std::numeric_limits<int>::max() : 0;
}

bool HistorySearch::checkBlock(int row, int& first, int& last)
{
    const SearchSummaries::Verdict verdict = summaries_->check(probe_, row);
    first = verdict.first;
    last = verdict.last;
    if (!verdict.rejected) {
        passedFirst_ = verdict.first;
        passedLast_ = verdict.last;
    }
    return verdict.rejected;
}

// Each row skipped counts as a row visited, so the search still ends after
// one round; the origin's block, ruled out, holds no match on either visit.
bool HistorySearch::skipRejectedBlock(int rows)
{
    int first = 0, last = 0;
    if (!rejected(cursorRow_, first, last))
        return false;
    const bool forward = direction_ == Direction::Forward;
    const qint64 rest =
        forward ? qint64(std::min(last, rows)) - cursorRow_ + 1 : cursorRow_ - qint64(first) + 1;
    const int skipped = int(std::min(rest, rowsLeft_));
    rowsLeft_ -= skipped;
    if (forward)
        cursorRow_ = cursorRow_ + skipped > rows ? 1 : cursorRow_ + skipped;
    else
        cursorRow_ = cursorRow_ - skipped < 1 ? rows : cursorRow_ - skipped;
    return true;
}

// On its first visit the origin row is searched from the place on (forward)
// or before it (backward); on the second, after the wrap, whole: the part
// searched first held no match, so whatever is found lies in the other part.
bool HistorySearch::searchRow(int row, bool firstVisit, qint64& used)
{
    const int cols = grid_.columnCount();
    const bool forward = direction_ == Direction::Forward;
    const int from = firstVisit ? originCol_ : (forward ? 1 : cols);
    for (int col = from; forward ? col <= cols : col >= 1; col += forward ? 1 : -1) {
        const QStringView text = grid_.text(col, row);
        const bool atOrigin = firstVisit && col == originCol_;
        used += text.size();
        const FoldedMatcher::Span span =
            forward ? matcher_.findIn(text, atOrigin ? originOffset_ : 0)
                    : matcher_.findLastIn(text, atOrigin ? originOffset_ : kEndOfCell);
        if (span.found()) {
            current_ = {row, col, span.start, span.length};
            return true;
        }
    }
    return false;
}

int HistorySearch::joinRows(int row, int lastRow, qint64 units)
{
    const int cols = grid_.columnCount();
    cellEnds_.clear();
    const char16_t* begin = nullptr;
    qsizetype size = 0;
    int joined = 0;
    for (int r = row; r <= lastRow && (joined == 0 || size < units); ++r) {
        const size_t rowCells = cellEnds_.size();
        const qsizetype rowStart = size;
        bool together = true;
        for (int col = 1; col <= cols && together; ++col) {
            const QStringView text = grid_.text(col, r);
            const char16_t* at = reinterpret_cast<const char16_t*>(text.utf16());
            if (!text.isEmpty()) {
                if (size == 0)
                    begin = at;
                together = at == begin + size;
                size += text.size();
            }
            cellEnds_.push_back(size);
        }
        if (!together) {
            cellEnds_.resize(rowCells);
            size = rowStart;
            break;
        }
        ++joined;
    }
    joined_ = QStringView(begin, size);
    return joined;
}

bool HistorySearch::findInJoined(int row)
{
    const int cols = grid_.columnCount();
    bool found = false;
    matcher_.forEachInCells(joined_, cellEnds_.data(), [&](size_t cell, FoldedMatcher::Span s) {
        const qsizetype cellStart = cell == 0 ? 0 : cellEnds_[cell - 1];
        current_ = {row + int(cell / size_t(cols)), 1 + int(cell % size_t(cols)), s.start - cellStart,
                    s.length};
        found = true;
        return false;
    });
    return found;
}

qsizetype HistorySearch::rowLength(int row) const
{
    qsizetype length = 0;
    for (int col = 1; col <= grid_.columnCount(); ++col)
        length += grid_.text(col, row).size();
    return length;
}

void HistorySearch::restartCount()
{
    counted_ = 0;
    countedRows_ = 0;
    lastRowCount_ = 0;
    lastRow_ = 0;
    lastRowLength_ = 0;
    countGeneration_ = grid_.contentGeneration();
}

bool HistorySearch::countSome(qint64 budget)
{
    const int rows = grid_.rowCount();
    if (grid_.contentGeneration() != countGeneration_ || countedRows_ > std::max(rows - 1, 0))
        restartCount();
    if (matcher_.isEmpty())
        return true;
    const int cols = grid_.columnCount();
    qint64 used = 0;
    forgetPassed();
    while (countedRows_ < rows - 1) {
        int first = 0, last = 0;
        if (rejected(countedRows_ + 1, first, last)) {
            countedRows_ = std::min(last, rows - 1);
            used += kRowCost;
            if (used >= budget)
                return false;
            continue;
        }
        const int joined = joinRows(countedRows_ + 1, std::min(rows - 1, passedLast_), budget - used);
        if (joined > 0) {
            matcher_.forEachInCells(joined_, cellEnds_.data(), [&](size_t, FoldedMatcher::Span) {
                ++counted_;
                return true;
            });
            countedRows_ += joined;
            used += joined_.size() + joined * kRowCost;
            if (used >= budget)
                return false;
            continue;
        }
        const int row = ++countedRows_;
        for (int col = 1; col <= cols; ++col) {
            const QStringView text = grid_.text(col, row);
            counted_ += matcher_.countIn(text);
            used += text.size();
        }
        used += kRowCost;
        if (used >= budget)
            return false;
    }
    lastRowCount_ = 0;
    for (int col = 1; col <= cols && rows > 0; ++col)
        lastRowCount_ += matcher_.countIn(grid_.text(col, rows));
    lastRow_ = rows;
    lastRowLength_ = rows > 0 ? rowLength(rows) : 0;
    return true;
}

bool HistorySearch::countFinished() const
{
    const int rows = grid_.rowCount();
    if (matcher_.isEmpty())
        return true;
    return grid_.contentGeneration() == countGeneration_ && countedRows_ == std::max(rows - 1, 0) &&
           lastRow_ == rows && (rows == 0 || lastRowLength_ == rowLength(rows));
}

std::vector<HistorySearch::Match> HistorySearch::matchesInRows(int first, int last) const
{
    std::vector<Match> out;
    first = std::max(first, 1);
    last = std::min(last, grid_.rowCount());
    for (int row = first; row <= last; ++row) {
        for (int col = 1; col <= grid_.columnCount(); ++col) {
            matcher_.forEachIn(grid_.text(col, row), [&](FoldedMatcher::Span s) {
                out.push_back({row, col, s.start, s.length});
                return true;
            });
        }
    }
    return out;
}
