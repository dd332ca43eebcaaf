#pragma once

#include <QStringView>
#include <QtGlobal>

#include <array>
#include <deque>
#include <memory>
#include <vector>

#include "controls/GridObserver.h"

class FoldedMatcher;
class GridModel;
class SearchFolding;

// What find may skip: for each complete block of a grid's rows, the set of
// adjacent character pairs its cells hold, hashed into a few thousand bits.
// Pairs are taken in the most folded form (letter case and width both
// folded), so one summary serves every set of find options: a block that
// lacks one of the query's pairs cannot hold a match, whichever options the
// query has. A summary only ever rejects, so a pair hashed onto another's bit
// costs a needless scan, never a missed match.
//
// Summaries are built in slices of bounded work, off the receive path, and
// only for blocks that are complete (the grid has rows after them). They
// follow the grid's changes as its observer hears them: a rewritten or
// extended row drops its block's summary until it is built again, a cut one
// keeps it (what is left holds no pair the summary lacks), and rows dropped
// at the front drop the blocks they emptied. Text so varied that its pairs
// set nearly every bit (random characters) is summarised as such, without
// bits: such a block is read by every search, as without summaries.
class SearchSummaries {
public:
    // Fewer rows set fewer bits: on chat-like text a rare word rules out
    // 63 % of blocks of 320 rows (18 % of 1,024), for 1.65 B per row; 256
    // rows would pass 2 B per row.
    static constexpr int kRowsPerBlock = 320;
    static constexpr int kBits = 4096;

    // The query's pairs as bits to look up; empty when the query has fewer
    // than two folded characters, which no summary can reject.
    class Probe {
    public:
        Probe() = default;
        explicit Probe(const FoldedMatcher& matcher);
        bool isEmpty() const { return bits_.empty(); }

    private:
        friend class SearchSummaries;
        std::vector<quint16> bits_;
    };

    explicit SearchSummaries(const GridModel& grid);

    // The block that holds a row: its rows, and whether it is summarised and
    // lacks one of the probe's pairs, so that no row of it holds a match.
    struct Verdict {
        int first = 0;
        int last = 0;
        bool rejected = false;
    };
    Verdict check(const Probe& probe, int row) const;

    // Summarises complete blocks, oldest first, for about `budget` text units
    // of work (at least one block); true when every complete block is
    // summarised.
    bool buildSome(qint64 budget);
    bool isComplete() const;
    int summarizedBlocks() const;
    qint64 memoryUse() const;

    // The grid's changes, as its observer hears them. A cell changes at
    // every append on the receive path: a row after the summarised ones
    // costs one compare.
    void cellChanged(int row, GridObserver::CellEdit edit)
    {
        if (row <= lastSummarizedRow_ && edit != GridObserver::CellEdit::Cut)
            forget(row);
    }
    void oldestRowsDropped(int count);
    void reset();
    void gridDestroyed();

private:
    using Bits = std::array<quint64, kBits / 64>;
    // A block whose pairs set nearly every bit rules out next to nothing:
    // it keeps no bits, and is read by every search.
    static constexpr int kMostUsefulBits = kBits * 15 / 16;
    struct Block {
        std::unique_ptr<Bits> bits;
        bool built = false;
    };

    int blockOf(int row) const { return (row - 1 + shift_) / kRowsPerBlock; }
    int firstRowOf(int block) const { return std::max(block * kRowsPerBlock - shift_ + 1, 1); }
    int lastRowOf(int block) const { return (block + 1) * kRowsPerBlock - shift_; }
    int completeBlocks() const;
    void forget(int row);
    // Returns the work done, in text units.
    qint64 build(int block);
    static void addCell(Bits& bits, QStringView text, const SearchFolding& folding);

    const GridModel* grid_;
    // Blocks from the oldest on; the first may have lost rows at the front.
    std::deque<Block> blocks_;
    // Rows of the first block that were dropped.
    int shift_ = 0;
    // The oldest block that may still need building.
    int nextToBuild_ = 0;
    // No summarised block reaches past this row.
    int lastSummarizedRow_ = 0;
};
