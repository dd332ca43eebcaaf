#pragma once

#include <QStringView>
#include <QtGlobal>

#include <vector>

#include "controls/FindOptions.h"
#include "controls/FoldedMatcher.h"
#include "controls/SearchSummaries.h"

class GridModel;

// Finding text in a grid's rows (the history of a view). Both the search
// for the next match and the count of all matches go in slices of bounded
// work, resumable, so a caller on the user-interface thread can spread them
// over event-loop turns however long the history is. A new query restarts
// both. Places and matches are ordered by row, then column, then offset.
class HistorySearch {
public:
    enum class Direction { Forward, Backward };
    enum class Progress { Found, NotFound, Searching };

    struct Match {
        int row = 0;
        int col = 0;
        qsizetype start = 0;
        qsizetype length = 0;
        bool isValid() const { return row > 0; }
        bool operator==(const Match&) const = default;
    };

    explicit HistorySearch(const GridModel& grid);

    // Summaries of the grid's blocks of rows, kept up to date with it: blocks
    // they rule out are skipped instead of read. nullptr: every row is read.
    void setSummaries(const SearchSummaries* summaries);

    void setQuery(QStringView query, const FindOptions& options);
    bool hasQuery() const { return !matcher_.isEmpty(); }
    const FoldedMatcher& matcher() const { return matcher_; }

    // Starts looking for the nearest match: forward, the first at or after
    // the place; backward, the last before it. The search wraps around the
    // history once.
    void findFrom(int row, int col, qsizetype offset, Direction direction);
    // The match after (or before) the current one, or from the start of the
    // history when there is none yet.
    void findNext(Direction direction);
    // Goes on with the search for about `budget` text units of work.
    Progress findSome(qint64 budget);
    // The match found last; invalid when none.
    Match current() const { return current_; }

    // Counts on for about `budget` text units of work; true once every row
    // is counted. Rows added later, or a grid rewritten or cut at the
    // front, make it count on (or afresh) at the next call.
    bool countSome(qint64 budget);
    bool countFinished() const;
    qint64 matchCount() const { return counted_ + lastRowCount_; }

    // The matches in rows first..last, for highlighting.
    std::vector<Match> matchesInRows(int first, int last) const;

private:
    // Looks through one row for the search, adding its length to `used`;
    // true when it found a match.
    bool searchRow(int row, bool firstVisit, qint64& used);
    // Moves the search past the rest of the cursor's block when the
    // summaries rule the block out; false when the row is to be read.
    bool skipRejectedBlock(int rows);
    // Whether the summaries rule out the block of `row`, whose rows become
    // first..last. A block found to pass is remembered until forgetPassed(),
    // so a row of it costs a compare.
    bool rejected(int row, int& first, int& last)
    {
        return (row < passedFirst_ || row > passedLast_) && checkBlock(row, first, last);
    }
    bool checkBlock(int row, int& first, int& last);
    void forgetPassed();
    qsizetype rowLength(int row) const;
    // Joins rows from `row` on, up to `lastRow`, whose cells lie one after
    // another in memory, until about `units` text units are joined: the
    // history is then read as one text instead of cell by cell. Returns the
    // rows joined; 0 when the first row's cells do not lie together.
    int joinRows(int row, int lastRow, qint64 units);
    // The first match in the joined rows, which begin at `row`.
    bool findInJoined(int row);
    void restartCount();

    const GridModel& grid_;
    FoldedMatcher matcher_;
    const SearchSummaries* summaries_ = nullptr;
    SearchSummaries::Probe probe_;
    // The rows of a block found to pass during this slice of work: the
    // summaries may change between slices.
    int passedFirst_ = 1;
    int passedLast_ = 0;
    // The rows joined last: their text, and where each cell ends in it.
    QStringView joined_;
    std::vector<qsizetype> cellEnds_;

    // The search under way.
    Direction direction_ = Direction::Forward;
    int originRow_ = 0;
    int originCol_ = 0;
    qsizetype originOffset_ = 0;
    int cursorRow_ = 0;
    qint64 rowsLeft_ = 0;
    bool searching_ = false;
    Match current_;

    // The count: every row before the last is counted once; the last row,
    // which may still grow, is counted again at each call.
    qint64 counted_ = 0;
    int countedRows_ = 0;
    qint64 lastRowCount_ = 0;
    quint64 countGeneration_ = 0;
    int lastRow_ = 0;
    qsizetype lastRowLength_ = 0;
};
