#pragma once

#include <QtGlobal>

#include <limits>
#include <vector>

#include "common/FontSpec.h"
#include "controls/GridObserver.h"
#include "controls/TextMeasurer.h"

class GridModel;

// The width the widest text of each column of a grid needs in one font,
// kept up to date from the grid's changes. Appending to a cell or adding a
// row never costs more as the history grows: only what was written since the
// last question is measured, and a cell that only grew has just its new
// characters measured. A replaced text may be narrower than the one before,
// so its column is measured anew when next asked.
class ColumnWidthCache {
public:
    explicit ColumnWidthCache(const GridModel& grid);
    ~ColumnWidthCache();
    ColumnWidthCache(const ColumnWidthCache&) = delete;
    ColumnWidthCache& operator=(const ColumnWidthCache&) = delete;

    void setMeasurer(TextMeasurer* measurer);
    void setFont(const FontSpec& font);
    const FontSpec& font() const { return font_; }
    // Text this grid borrows from `lender`'s grid is measured from what
    // `lender` measured, where it can be (see GridModel::borrowTextFrom).
    void measureBorrowedTextBy(ColumnWidthCache* lender);

    // The widest text among rows 1..throughRow; rows below are measured when
    // a later question reaches them.
    double maxTextWidth(int col, int throughRow = kAllRows);
    static constexpr int kAllRows = std::numeric_limits<int>::max();

    // The grid's changes, as its observer hears them.
    void cellChanged(int col, int row, GridObserver::CellEdit edit);
    void oldestRowsDropped(int count);
    // Everything is measured anew when next asked.
    void reset();
    void gridDestroyed();

private:
    struct Column {
        double widest = 0;
        bool needFull = false;
        std::vector<int> dirty;  // rows written since they were last measured
        // The row measured last and its measured length: when it has only
        // grown since, just its new characters are measured.
        int tailRow = 0;
        qsizetype tailLength = 0;
        TextMeasurer::Width tail;
    };

    void foldDirty(int col, int throughRow = kAllRows);
    void measureAll(int col, int throughRow);
    TextMeasurer::Width measure(QStringView text) const;
    TextMeasurer::Width measureCell(int col, int row, QStringView text) const;
    TextMeasurer::Width grownTail(const Column& column, QStringView text) const;
    bool lentEndWidth(int col, int row, TextMeasurer::Width& width) const;
    void unlinkLender();

    const GridModel* grid_;
    TextMeasurer* measurer_ = nullptr;
    FontSpec font_;
    std::vector<Column> columns_;
    ColumnWidthCache* lender_ = nullptr;
    std::vector<ColumnWidthCache*> borrowers_;
};
