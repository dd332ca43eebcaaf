#include "controls/SearchSummaries.h"

#include <algorithm>
#include <bit>

#include "controls/FoldedMatcher.h"
#include "controls/GridModel.h"
#include "controls/SearchFolding.h"

namespace {

// The bit of a pair of folded characters: multiplicative hashing, whose top
// bits mix both characters.
quint16 pairBit(char16_t a, char16_t b)
{
    const quint32 key = (quint32(a) << 16) | b;
    return quint16((key * 0x9E3779B1u) >> (32 - std::countr_zero(unsigned(SearchSummaries::kBits))));
}
static_assert(std::has_single_bit(unsigned(SearchSummaries::kBits)) && SearchSummaries::kBits <= 1 << 16);

const SearchFolding& mostFolded()
{
    return SearchFolding::forOptions(FindOptions{});
}

// Calls f(unit) for each character of `text` in the most folded form.
template <typename F> void forEachFolded(const char16_t* p, qsizetype n, const SearchFolding& folding, F&& f)
{
    for (qsizetype i = 0; i < n; ++i) {
        const quint32 e = folding.entry(p[i]);
        f(SearchFolding::firstOf(e));
        if (const char16_t second = SearchFolding::secondOf(e))
            f(second);
    }
}

}  // namespace

// The matcher's query is folded for its own options; folding it on to the
// most folded form gives the pairs the summaries were built from, since the
// most folded form of a text is the most folded form of its folding for any
// options.
SearchSummaries::Probe::Probe(const FoldedMatcher& matcher)
{
    const std::u16string_view query = matcher.folded();
    bool have = false;
    char16_t previous = 0;
    forEachFolded(query.data(), qsizetype(query.size()), mostFolded(), [&](char16_t c) {
        if (have)
            bits_.push_back(pairBit(previous, c));
        previous = c;
        have = true;
    });
    std::sort(bits_.begin(), bits_.end());
    bits_.erase(std::unique(bits_.begin(), bits_.end()), bits_.end());
}

SearchSummaries::SearchSummaries(const GridModel& grid) : grid_(&grid) {}

SearchSummaries::Verdict SearchSummaries::check(const Probe& probe, int row) const
{
    row = std::max(row, 1);
    const int block = blockOf(row);
    Verdict verdict{firstRowOf(block), lastRowOf(block), false};
    if (probe.isEmpty() || size_t(block) >= blocks_.size() || !blocks_[size_t(block)].bits)
        return verdict;
    const Bits& bits = *blocks_[size_t(block)].bits;
    for (const quint16 bit : probe.bits_) {
        if (!(bits[bit >> 6] & (quint64(1) << (bit & 63)))) {
            verdict.rejected = true;
            break;
        }
    }
    return verdict;
}

// A block is complete once the grid has a row after it: the last row is the
// current line, still being written.
int SearchSummaries::completeBlocks() const
{
    if (!grid_ || grid_->rowCount() == 0)
        return 0;
    return (grid_->rowCount() - 1 + shift_) / kRowsPerBlock;
}

bool SearchSummaries::buildSome(qint64 budget)
{
    const int complete = completeBlocks();
    while (blocks_.size() < size_t(complete))
        blocks_.emplace_back();
    qint64 used = 0;
    while (nextToBuild_ < complete && used < budget) {
        Block& block = blocks_[size_t(nextToBuild_)];
        if (!block.built) {
            used += build(nextToBuild_);
            lastSummarizedRow_ = std::max(lastSummarizedRow_, lastRowOf(nextToBuild_));
        }
        ++nextToBuild_;
    }
    return nextToBuild_ >= complete;
}

bool SearchSummaries::isComplete() const
{
    return nextToBuild_ >= completeBlocks();
}

int SearchSummaries::summarizedBlocks() const
{
    return int(std::count_if(blocks_.begin(), blocks_.end(), [](const Block& b) { return b.built; }));
}

qint64 SearchSummaries::memoryUse() const
{
    const auto kept =
        std::count_if(blocks_.begin(), blocks_.end(), [](const Block& b) { return bool(b.bits); });
    return qint64(blocks_.size()) * qint64(sizeof(Block)) + qint64(kept) * qint64(sizeof(Bits));
}

qint64 SearchSummaries::build(int index)
{
    Bits bits{};
    const SearchFolding& folding = mostFolded();
    const int last = lastRowOf(index);
    qint64 units = 0;
    for (int row = firstRowOf(index); row <= last; ++row) {
        for (int col = 1; col <= grid_->columnCount(); ++col) {
            const QStringView text = grid_->text(col, row);
            addCell(bits, text, folding);
            units += text.size();
        }
    }
    int set = 0;
    for (const quint64 word : bits)
        set += std::popcount(word);
    Block& block = blocks_[size_t(index)];
    if (set > kMostUsefulBits)
        block.bits.reset();
    else if (block.bits)
        *block.bits = bits;
    else
        block.bits = std::make_unique<Bits>(bits);
    block.built = true;
    // A row's own cost, so that a block of empty rows counts too.
    return units + 8 * (last - firstRowOf(index) + 1);
}

// Pairs never span cells: a match lies within one cell.
void SearchSummaries::addCell(Bits& bits, QStringView text, const SearchFolding& folding)
{
    bool have = false;
    char16_t previous = 0;
    forEachFolded(reinterpret_cast<const char16_t*>(text.utf16()), text.size(), folding, [&](char16_t c) {
        if (have) {
            const quint16 bit = pairBit(previous, c);
            bits[bit >> 6] |= quint64(1) << (bit & 63);
        }
        previous = c;
        have = true;
    });
}

void SearchSummaries::forget(int row)
{
    if (row < 1)
        return;
    const int block = blockOf(row);
    if (size_t(block) >= blocks_.size() || !blocks_[size_t(block)].built)
        return;
    blocks_[size_t(block)].bits.reset();
    blocks_[size_t(block)].built = false;
    nextToBuild_ = std::min(nextToBuild_, block);
}

void SearchSummaries::oldestRowsDropped(int count)
{
    if (count <= 0)
        return;
    const qint64 shifted = qint64(shift_) + count;
    const qint64 emptied = shifted / kRowsPerBlock;
    const size_t erased = size_t(std::min<qint64>(emptied, qint64(blocks_.size())));
    blocks_.erase(blocks_.begin(), blocks_.begin() + qsizetype(erased));
    shift_ = int(shifted % kRowsPerBlock);
    nextToBuild_ = int(std::max<qint64>(nextToBuild_ - emptied, 0));
    lastSummarizedRow_ = int(std::max<qint64>(lastSummarizedRow_ - count, 0));
}

void SearchSummaries::reset()
{
    blocks_.clear();
    shift_ = 0;
    nextToBuild_ = 0;
    lastSummarizedRow_ = 0;
}

void SearchSummaries::gridDestroyed()
{
    reset();
    grid_ = nullptr;
}
