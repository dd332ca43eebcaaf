#pragma once

#include <limits>

#include "common/FontSpec.h"

// How a column that follows its widest text is sized from that text's
// width: rounded to whole twips (halves to even) when asked, and no wider
// than the cap.
struct ColumnFit {
    double capTwips = std::numeric_limits<double>::infinity();
    bool wholeTwips = false;
};

// How one grid control (terminal view, chat view) shows its model's data:
// visibility, the active cell, the redraw switch, the font and the column
// widths. Columns and rows are counted from 1, as the dialogue counts them.
class GridView {
public:
    virtual ~GridView() = default;

    virtual bool isVisible() const = 0;
    virtual void setVisible(bool visible) = 0;

    // Brings the cell into view.
    virtual void setActiveCell(int col, int row) = 0;
    virtual int activeCol() const = 0;
    virtual int activeRow() const = 0;

    // While redraw is off, changes are gathered; they are shown together once
    // it is switched back on (at once, or at the next display frame).
    virtual void setRedraw(bool on) = 0;
    virtual bool redraw() const = 0;

    // The font of every cell.
    virtual void setFont(const FontSpec& font) = 0;
    virtual const FontSpec& font() const = 0;

    // A later fitColumnToText of the column overrides the width.
    virtual void setColumnWidth(int col, double twips) = 0;
    virtual double columnWidth(int col) const = 0;
    // When the view is next brought up to date, the column takes the width
    // its widest text among rows 1..throughRow needs, sized by `fit`: the
    // text is measured once per update, however many lines asked. A later
    // setColumnWidth overrides it.
    virtual void fitColumnToText(int col, int throughRow, ColumnFit fit = {}) = 0;
    // The width that the widest text of a column needs in the font, in twips.
    virtual double maxTextWidth(int col) = 0;
};
