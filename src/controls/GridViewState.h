#pragma once

#include <vector>

#include "controls/ColumnWidthCache.h"
#include "controls/FollowState.h"
#include "controls/GridObserver.h"
#include "controls/GridView.h"
#include "controls/GridViewObserver.h"
#include "controls/SearchSummaries.h"

class GridModel;
class TextMeasurer;

// What one grid control shows of its model besides the data: visibility,
// active cell, redraw switch, font, column widths and the widest text of
// each column. The widget that draws the grid hears of it, and of the
// model's changes, through a GridViewObserver, in batches while redraw is
// off. Without a widget it is the whole view, as the tests, the benchmark
// and the fuzzer use it.
//
// While the view follows its newest rows, a cell made active is brought
// into view. Once its reader has moved away from the bottom, the active cell
// stays where it is and the rows that arrive are counted instead; the cell
// made active last is remembered, to jump to when the view follows again.
class GridViewState : public GridView, private GridObserver {
public:
    // When gathered changes are delivered and columns fitted to their text:
    // whenever redraw is on (after every block, every chat line), or only
    // when bringUpToDate() is called (once per display frame, by the
    // widget; by hand without one).
    enum class UpdateTiming { WhenRedrawn, WhenAsked };

    explicit GridViewState(GridModel& grid);
    ~GridViewState() override;
    GridViewState(const GridViewState&) = delete;
    GridViewState& operator=(const GridViewState&) = delete;

    void setObserver(GridViewObserver* observer);
    void setUpdateTiming(UpdateTiming timing);
    UpdateTiming updateTiming() const { return timing_; }
    // Fits the columns asked to follow their text and delivers what was
    // gathered; nothing while redraw is off.
    void bringUpToDate();
    // Something is gathered that bringUpToDate() would deliver or fit.
    bool changeWaiting() const { return waiting_; }
    // Widths of the widest texts are measured by `measurer`; none: 0.
    void setMeasurer(TextMeasurer* measurer);
    // Text the model borrows from `lender`'s model is measured from what
    // `lender` measured, where it can be.
    void measureBorrowedTextBy(GridViewState& lender);
    // What find may skip in the grid's rows; kept up to date here, built by
    // whoever has idle time.
    SearchSummaries& searchSummaries() { return summaries_; }
    const SearchSummaries& searchSummaries() const { return summaries_; }

    bool isVisible() const override;
    void setVisible(bool visible) override;
    void setActiveCell(int col, int row) override;
    int activeCol() const override;
    int activeRow() const override;
    void setRedraw(bool on) override;
    bool redraw() const override;
    void setFont(const FontSpec& font) override;
    const FontSpec& font() const override;
    void setColumnWidth(int col, double twips) override;
    double columnWidth(int col) const override;
    double maxTextWidth(int col) override;
    void fitColumnToText(int col, int throughRow, ColumnFit fit = {}) override;

    bool isFollowing() const { return follow_.isFollowing(); }
    // Rows that arrived since the reader left the bottom.
    int waitingRows() const { return follow_.waitingRows(); }
    // The reader moved the view from position `from` to `to`, where
    // `bottom` shows the newest row (see FollowState::readerMoved). Back at
    // the bottom, the newest cell is made active again.
    void readerMoved(int from, int to, int bottom);
    // Follows again and brings the newest cell into view.
    void followNewest();

private:
    void cellChanged(int col, int row, CellEdit edit) override;
    void rowChanged(int row) override;
    void rowsAdded() override;
    void oldestRowsDropped(int count) override;
    void gridReset() override;
    void gridDestroyed() override;

    void makeNewestActive();

    // A column to be fitted to its text at the next update.
    struct PendingFit {
        bool due = false;
        int throughRow = 0;
        ColumnFit fit;
    };

    void fitColumns();
    void fitPendingColumns();
    void storeWidth(int col, double twips);
    void changed();
    void flush();

    GridModel* grid_;
    GridViewObserver* observer_ = nullptr;
    ColumnWidthCache widest_;
    SearchSummaries summaries_;
    std::vector<double> widths_;
    std::vector<PendingFit> fits_;
    UpdateTiming timing_ = UpdateTiming::WhenRedrawn;
    bool waiting_ = false;
    bool announced_ = false;
    bool fitting_ = false;
    bool visible_ = true;
    bool redraw_ = true;
    int activeCol_ = 0;
    int activeRow_ = 0;
    // The cell made active last, also while the view did not follow.
    int newestCol_ = 0;
    int newestRow_ = 0;
    FollowState follow_;
    int knownRows_ = 0;
    GridChange pending_;
    int notifiedRows_ = 0;
};
