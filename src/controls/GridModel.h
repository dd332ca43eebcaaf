#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <optional>

#include "terminal/TextStyle.h"

class GridObserver;

// The data behind one grid control (terminal view, chat view): rows of text
// cells with styles and row colours. How it is shown is its GridView's.
// Columns and rows are counted from 1, as the dialogue counts them. Adding a
// row or appending to the last cell never costs more as the history grows.
class GridModel {
public:
    explicit GridModel(int columns = 1);
    ~GridModel();
    GridModel(const GridModel&) = delete;
    GridModel& operator=(const GridModel&) = delete;

    // The one observer told of every change as it happens; nullptr: none.
    void setObserver(GridObserver* observer);

    int columnCount() const;
    void setColumnCount(int columns);
    int rowCount() const;
    // rowCount() + k appends k empty rows; 0 removes every row.
    void setRowCount(int rows);
    // Removes the first `count` rows; the rest move up. Costs what is kept,
    // so it is meant for large steps.
    void dropOldestRows(int count);
    // Bytes the grid holds for its rows (text, cells, colours, styles).
    qint64 memoryUse() const;

    // The view stays valid until the grid changes (or, for a borrowed text,
    // the grid it was borrowed from).
    QStringView text(int col, int row) const;
    void setText(int col, int row, QStringView text);
    // Appends to a cell's text without copying what it holds.
    void appendText(int col, int row, QStringView text);

    // The cell's text keeps its first `length` characters (a backspace on
    // the current line); costs what is dropped, not what is kept.
    void truncateText(int col, int row, qsizetype length);

    // Styles within a cell, as runs: a run's style holds from its offset to
    // the next run's, or to the end of the text. A cell without runs is
    // plain, so plain text costs nothing here.
    struct StyleRun {
        qint64 cell;
        qsizetype offset;
        TextStyle style;
    };
    struct StyleRuns {
        const StyleRun* begin = nullptr;
        const StyleRun* end = nullptr;
        bool empty() const { return begin == end; }
    };
    // The text from `offset` on is drawn in `style`. Cells take styles in
    // the order their text arrives.
    void setStyleFrom(int col, int row, qsizetype offset, const TextStyle& style);
    StyleRuns styleRuns(int col, int row) const;

    // Colours of a whole row, 0x00BBGGRR; unset means the grid's default.
    void setRowForeColor(int row, qint32 bgr);
    void setRowBackColor(int row, qint32 bgr);
    std::optional<qint32> rowForeColor(int row) const;
    std::optional<qint32> rowBackColor(int row) const;

    // Changes whenever a cell's text is replaced or removed rather than
    // extended, so a reader may keep facts about a text's beginning.
    quint64 contentGeneration() const;

    // Text given to setText that lies in a cell of `lender` is kept as a
    // reference to it instead of a copy (the chat view shows what the
    // terminal view holds). Before the lender rewrites, drops or moves any
    // of its text, or goes away, it copies what it lent into this grid, so
    // a cell always reads the text it was given. nullptr ends borrowing.
    void borrowTextFrom(GridModel* lender);
    const GridModel* lender() const;
    // When the cell's text is borrowed and is the end of the lender's cell
    // (lenderCol, lenderRow), which holds a text of its own: where in that
    // cell it begins. Otherwise -1.
    qsizetype borrowedTextOffset(int col, int row, int lenderCol, int lenderRow) const;

private:
    struct Impl;
    Impl* d;
};
