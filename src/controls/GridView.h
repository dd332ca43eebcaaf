#pragma once

#include "common/FontSpec.h"

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

    // While redraw is off, changes are gathered and shown at once when it is
    // switched back on.
    virtual void setRedraw(bool on) = 0;
    virtual bool redraw() const = 0;

    // The font of every cell.
    virtual void setFont(const FontSpec& font) = 0;
    virtual const FontSpec& font() const = 0;

    virtual void setColumnWidth(int col, double twips) = 0;
    virtual double columnWidth(int col) const = 0;
    // The width that the widest text of a column needs in the font, in twips.
    virtual double maxTextWidth(int col) = 0;
};
