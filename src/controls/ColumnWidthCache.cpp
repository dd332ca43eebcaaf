#include "controls/ColumnWidthCache.h"

#include <algorithm>

#include "controls/GridModel.h"

namespace {

// Cells written but not yet measured are measured in batches of this size
// when nobody asks for the width, so the list stays small.
constexpr size_t kDirtyFoldSize = 4096;

}  // namespace

ColumnWidthCache::ColumnWidthCache(const GridModel& grid) : grid_(&grid)
{
    reset();
}

ColumnWidthCache::~ColumnWidthCache()
{
    unlinkLender();
    for (ColumnWidthCache* b : borrowers_)
        b->lender_ = nullptr;
}

void ColumnWidthCache::setMeasurer(TextMeasurer* measurer)
{
    if (measurer == measurer_)
        return;
    measurer_ = measurer;
    reset();
}

void ColumnWidthCache::setFont(const FontSpec& font)
{
    if (font == font_)
        return;
    font_ = font;
    reset();
}

void ColumnWidthCache::measureBorrowedTextBy(ColumnWidthCache* lender)
{
    unlinkLender();
    if (!lender || lender == this)
        return;
    lender_ = lender;
    lender->borrowers_.push_back(this);
}

void ColumnWidthCache::unlinkLender()
{
    if (!lender_)
        return;
    auto& list = lender_->borrowers_;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    lender_ = nullptr;
}

double ColumnWidthCache::maxTextWidth(int col, int throughRow)
{
    if (!grid_ || !measurer_ || col < 1 || col > int(columns_.size()))
        return 0;
    Column& c = columns_[size_t(col - 1)];
    if (c.needFull)
        measureAll(col, throughRow);
    else
        foldDirty(col, throughRow);
    return c.widest;
}

void ColumnWidthCache::cellChanged(int col, int row, GridObserver::CellEdit edit)
{
    if (!measurer_ || col < 1 || col > int(columns_.size()))
        return;
    Column& c = columns_[size_t(col - 1)];
    if (edit == GridObserver::CellEdit::Replaced) {
        c.needFull = true;  // the new text may be narrower than the one measured
        c.dirty.clear();
    } else if (edit == GridObserver::CellEdit::Cut && c.tailRow == row) {
        c.tailRow = 0;  // measured afresh once, when next asked
    }
    if (!c.needFull && (c.dirty.empty() || c.dirty.back() != row)) {
        c.dirty.push_back(row);
        // The row being written is left for the question that reaches it,
        // so a line still growing is not measured before it asks.
        if (c.dirty.size() >= kDirtyFoldSize) {
            c.dirty.pop_back();
            foldDirty(col);
            c.dirty.push_back(row);
        }
    }
}

void ColumnWidthCache::oldestRowsDropped(int count)
{
    for (Column& c : columns_) {
        c.tailRow = c.tailRow > count ? c.tailRow - count : 0;
        size_t to = 0;
        for (const int row : c.dirty)
            if (row > count)
                c.dirty[to++] = row - count;
        c.dirty.resize(to);
    }
}

void ColumnWidthCache::reset()
{
    columns_.resize(grid_ ? size_t(grid_->columnCount()) : 0);
    const bool empty = !grid_ || grid_->rowCount() == 0;
    for (Column& c : columns_) {
        // An empty grid has nothing to measure again.
        c = empty ? Column{} : Column{c.widest, true, {}, 0, 0, {}};
    }
}

void ColumnWidthCache::gridDestroyed()
{
    grid_ = nullptr;
    columns_.clear();
}

void ColumnWidthCache::foldDirty(int col, int throughRow)
{
    Column& c = columns_[size_t(col - 1)];
    size_t kept = 0;
    for (const int row : c.dirty) {
        if (row > throughRow) {
            c.dirty[kept++] = row;
            continue;
        }
        const QStringView text = grid_->text(col, row);
        const TextMeasurer::Width w = measureCell(col, row, text);
        c.tailRow = row;
        c.tailLength = text.size();
        c.tail = w;
        c.widest = std::max(c.widest, w.twips);
    }
    c.dirty.resize(kept);
}

void ColumnWidthCache::measureAll(int col, int throughRow)
{
    Column& c = columns_[size_t(col - 1)];
    c.widest = 0;
    c.dirty.clear();
    c.tailRow = 0;
    for (int row = 1; row <= grid_->rowCount(); ++row)
        c.dirty.push_back(row);
    foldDirty(col, throughRow);
    c.needFull = false;
}

TextMeasurer::Width ColumnWidthCache::measure(QStringView text) const
{
    return text.isEmpty() ? TextMeasurer::Width{0.0, 0} : measurer_->measure(text, font_);
}

TextMeasurer::Width ColumnWidthCache::measureCell(int col, int row, QStringView text) const
{
    const Column& c = columns_[size_t(col - 1)];
    if (row == c.tailRow && text.size() >= c.tailLength)
        return grownTail(c, text);
    TextMeasurer::Width w;
    if (lentEndWidth(col, row, w))
        return w;
    return measure(text);
}

// The cell measured last has only grown since: just its new characters are
// measured.
TextMeasurer::Width ColumnWidthCache::grownTail(const Column& column, QStringView text) const
{
    const TextMeasurer::Width added = measure(text.mid(column.tailLength));
    if (column.tail.units < 0 || added.units < 0)
        return {column.tail.twips + added.twips, -1};
    const qint64 units = column.tail.units + added.units;
    return {measurer_->unitsToTwips(units), units};
}

// A borrowed text that ends where the lender's last measured cell ends (a
// chat message, the end of a terminal line) is as wide as that cell less
// its beginning, when the widths come in exact units: only the beginning is
// measured. The lender's measurement still holds while its column needs no
// full pass and the cell has its measured length (a rewrite of a measured
// text asks for a full pass; anything else changes the length).
bool ColumnWidthCache::lentEndWidth(int col, int row, TextMeasurer::Width& width) const
{
    const GridModel* lenderGrid = lender_ ? lender_->grid_ : nullptr;
    if (!lenderGrid || grid_->lender() != lenderGrid || lender_->measurer_ != measurer_ ||
        !(lender_->font_ == font_))
        return false;
    for (size_t k = 0; k < lender_->columns_.size(); ++k) {
        const Column& c = lender_->columns_[k];
        if (c.needFull || c.tailRow == 0 || c.tail.units < 0 || c.tailRow > lenderGrid->rowCount())
            continue;
        const qsizetype head = grid_->borrowedTextOffset(col, row, int(k) + 1, c.tailRow);
        if (head < 0)
            continue;
        const QStringView lent = lenderGrid->text(int(k) + 1, c.tailRow);
        if (lent.size() != c.tailLength)
            continue;
        const TextMeasurer::Width w = measure(lent.left(head));
        if (w.units < 0)
            return false;
        const qint64 units = c.tail.units - w.units;
        width = {measurer_->unitsToTwips(units), units};
        return true;
    }
    return false;
}
