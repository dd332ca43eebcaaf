#pragma once

// What a grid's data model tells the view that shows it, as each change
// happens. Columns and rows are counted from 1.
class GridObserver {
public:
    // How a cell's text changed: it only grew (appended to, or written
    // where it was empty), it was replaced, or it lost its end.
    enum class CellEdit { Extended, Replaced, Cut };

    virtual ~GridObserver() = default;
    virtual void cellChanged(int col, int row, CellEdit edit) = 0;
    // A row's colours or styles changed.
    virtual void rowChanged(int row) = 0;
    // Empty rows were appended.
    virtual void rowsAdded() = 0;
    // The first `count` rows are gone; the rest moved up.
    virtual void oldestRowsDropped(int count) = 0;
    // Rows were removed at the end or the column count changed: everything
    // is to be shown anew.
    virtual void gridReset() = 0;
    // The model is going away; the observer must not touch it any more.
    virtual void gridDestroyed() = 0;
};
