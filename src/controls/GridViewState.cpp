#include "controls/GridViewState.h"

#include <algorithm>
#include <cmath>

#include "common/TextHelpers.h"
#include "controls/GridModel.h"

namespace {

// Designed widths: the chat view's handle and message columns; further
// columns take the message column's width.
constexpr double kFirstColumnTwips = 1200;
constexpr double kOtherColumnTwips = 975;

}  // namespace

GridViewState::GridViewState(GridModel& grid) : grid_(&grid), widest_(grid), summaries_(grid)
{
    fitColumns();
    notifiedRows_ = grid.rowCount();
    knownRows_ = grid.rowCount();
    grid.setObserver(this);
}

GridViewState::~GridViewState()
{
    if (grid_)
        grid_->setObserver(nullptr);
}

void GridViewState::setObserver(GridViewObserver* observer)
{
    observer_ = observer;
    notifiedRows_ = grid_ ? grid_->rowCount() : 0;
    pending_ = GridChange{};
    announced_ = false;
}

void GridViewState::setUpdateTiming(UpdateTiming timing)
{
    timing_ = timing;
    announced_ = false;
    if (waiting_)
        changed();
}

void GridViewState::bringUpToDate()
{
    if (!redraw_) {
        announced_ = false;  // announced again when redraw is switched on
        return;
    }
    // Widths fitted here are delivered with the rest, in one change.
    fitting_ = true;
    fitPendingColumns();
    fitting_ = false;
    flush();
}

void GridViewState::setMeasurer(TextMeasurer* measurer)
{
    widest_.setMeasurer(measurer);
}

void GridViewState::measureBorrowedTextBy(GridViewState& lender)
{
    widest_.measureBorrowedTextBy(&lender.widest_);
}

bool GridViewState::isVisible() const
{
    return visible_;
}

void GridViewState::setVisible(bool visible)
{
    if (visible == visible_)
        return;
    visible_ = visible;
    if (observer_)
        observer_->gridVisibilityChanged(visible);
}

void GridViewState::setActiveCell(int col, int row)
{
    newestCol_ = col;
    newestRow_ = row;
    if (!follow_.isFollowing())
        return;
    activeCol_ = col;
    activeRow_ = row;
    pending_.activeCellSet = true;
    pending_.activeCol = col;
    pending_.activeRow = row;
    changed();
}

int GridViewState::activeCol() const
{
    return activeCol_;
}

int GridViewState::activeRow() const
{
    return activeRow_;
}

void GridViewState::setRedraw(bool on)
{
    redraw_ = on;
    if (on && waiting_)
        changed();
}

bool GridViewState::redraw() const
{
    return redraw_;
}

void GridViewState::setFont(const FontSpec& font)
{
    if (font == widest_.font())
        return;
    widest_.setFont(font);
    pending_.fontChanged = true;
    changed();
}

const FontSpec& GridViewState::font() const
{
    return widest_.font();
}

void GridViewState::setColumnWidth(int col, double twips)
{
    if (col < 1 || col > int(widths_.size()) || !std::isfinite(twips))
        return;
    fits_[size_t(col - 1)].due = false;
    storeWidth(col, twips);
}

void GridViewState::storeWidth(int col, double twips)
{
    twips = std::max(twips, 0.0);
    if (widths_[size_t(col - 1)] == twips)
        return;
    widths_[size_t(col - 1)] = twips;
    pending_.widthsChanged = true;
    changed();
}

double GridViewState::columnWidth(int col) const
{
    return col >= 1 && col <= int(widths_.size()) ? widths_[size_t(col - 1)] : 0.0;
}

double GridViewState::maxTextWidth(int col)
{
    return widest_.maxTextWidth(col);
}

void GridViewState::readerMoved(int from, int to, int bottom)
{
    if (follow_.readerMoved(from, to, bottom))
        makeNewestActive();
}

void GridViewState::followNewest()
{
    follow_.follow();
    makeNewestActive();
}

// Before any cell was made active, the newest is the last row's first.
void GridViewState::makeNewestActive()
{
    const int rows = grid_ ? grid_->rowCount() : 0;
    if (newestRow_ > 0)
        setActiveCell(newestCol_, newestRow_);
    else if (rows > 0)
        setActiveCell(1, rows);
}

void GridViewState::fitColumnToText(int col, int throughRow, ColumnFit fit)
{
    if (col < 1 || col > int(fits_.size()))
        return;
    fits_[size_t(col - 1)] = {true, std::max(throughRow, 0), fit};
    changed();
}

void GridViewState::fitPendingColumns()
{
    for (size_t c = 0; c < fits_.size(); ++c) {
        PendingFit& pending = fits_[c];
        if (!pending.due)
            continue;
        pending.due = false;
        double twips = widest_.maxTextWidth(int(c) + 1, pending.throughRow);
        if (pending.fit.wholeTwips)
            twips = double(TextHelpers::roundHalfEven(twips));
        storeWidth(int(c) + 1, std::min(twips, pending.fit.capTwips));
    }
}

void GridViewState::cellChanged(int col, int row, CellEdit edit)
{
    widest_.cellChanged(col, row, edit);
    summaries_.cellChanged(row, edit);
    rowChanged(row);
}

void GridViewState::rowChanged(int row)
{
    if (pending_.firstChangedRow == 0 || row < pending_.firstChangedRow)
        pending_.firstChangedRow = row;
    pending_.lastChangedRow = std::max(pending_.lastChangedRow, row);
    changed();
}

void GridViewState::rowsAdded()
{
    const int rows = grid_ ? grid_->rowCount() : 0;
    follow_.rowsAdded(rows - knownRows_);
    knownRows_ = rows;
    changed();
}

// Rows dropped before an update asked for them are not measured: no frame
// showed them.
void GridViewState::oldestRowsDropped(int count)
{
    widest_.oldestRowsDropped(count);
    summaries_.oldestRowsDropped(count);
    for (PendingFit& pending : fits_)
        pending.throughRow = std::max(pending.throughRow - count, 0);
    activeRow_ = std::max(activeRow_ - count, 0);
    newestRow_ = std::max(newestRow_ - count, 0);
    knownRows_ = grid_ ? grid_->rowCount() : 0;
    follow_.oldestRowsDropped(knownRows_);
    pending_.reset = true;
    pending_.droppedRows += count;
    changed();
}

// A fit asked for rows that are gone is dropped.
void GridViewState::gridReset()
{
    fitColumns();
    for (PendingFit& pending : fits_)
        pending.due = false;
    widest_.reset();
    summaries_.reset();
    knownRows_ = grid_ ? grid_->rowCount() : 0;
    follow_.reset(knownRows_);
    newestRow_ = std::min(newestRow_, knownRows_);
    pending_.reset = true;
    changed();
}

void GridViewState::gridDestroyed()
{
    grid_ = nullptr;
    widest_.gridDestroyed();
    summaries_.gridDestroyed();
    if (observer_)
        observer_->gridDestroyed();
}

// Columns the model added take the designed widths; the others keep theirs.
void GridViewState::fitColumns()
{
    const size_t kept = widths_.size();
    widths_.resize(grid_ ? size_t(grid_->columnCount()) : 0);
    for (size_t c = kept; c < widths_.size(); ++c)
        widths_[c] = c == 0 ? kFirstColumnTwips : kOtherColumnTwips;
    fits_.resize(widths_.size());
}

void GridViewState::changed()
{
    waiting_ = true;
    if (!redraw_ || fitting_)
        return;
    if (timing_ == UpdateTiming::WhenRedrawn) {
        bringUpToDate();
    } else if (!announced_ && observer_) {
        announced_ = true;
        observer_->gridChangeWaiting();
    }
}

void GridViewState::flush()
{
    waiting_ = false;
    announced_ = false;
    const int rows = grid_ ? grid_->rowCount() : 0;
    if (!observer_) {  // nobody to tell: what was gathered is simply dropped
        pending_ = GridChange{};
        notifiedRows_ = rows;
        return;
    }
    pending_.rowsBefore = notifiedRows_;
    pending_.rowsAfter = rows;
    notifiedRows_ = rows;
    const GridChange change = pending_;
    pending_ = GridChange{};
    if (!change.empty())
        observer_->gridChanged(change);
}
