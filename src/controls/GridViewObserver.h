#pragma once

// What a grid view tells the widget that draws it. Rows are counted from 1.
// Changes are gathered while the view's redraw is off, and until the view is
// brought up to date when it is brought up to date on request; they are
// delivered as one change.
struct GridChange {
    // Rows were removed or the column count changed: show everything anew.
    bool reset = false;
    // How many of the oldest rows went (the rest moved up by as many).
    int droppedRows = 0;
    // Row count at the previous notification and now; rows in between were
    // appended.
    int rowsBefore = 0;
    int rowsAfter = 0;
    // Rows whose text or colours changed, 0 when none.
    int firstChangedRow = 0;
    int lastChangedRow = 0;
    bool widthsChanged = false;
    bool fontChanged = false;
    // The cell to bring into view, when one was made active.
    bool activeCellSet = false;
    int activeCol = 0;
    int activeRow = 0;

    bool empty() const
    {
        return !reset && rowsBefore == rowsAfter && firstChangedRow == 0 && !widthsChanged && !fontChanged &&
               !activeCellSet;
    }
};

class GridViewObserver {
public:
    virtual ~GridViewObserver() = default;
    virtual void gridChanged(const GridChange& change) = 0;
    // A view that is brought up to date when asked has a change waiting;
    // told once until it is brought up to date.
    virtual void gridChangeWaiting() {}
    virtual void gridVisibilityChanged(bool visible) = 0;
    // The grid's model is going away; the observer must not touch it any more.
    virtual void gridDestroyed() = 0;
};
