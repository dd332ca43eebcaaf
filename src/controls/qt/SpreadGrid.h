#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <QUrl>

#include <functional>
#include <memory>

#include "controls/GridObserver.h"
#include "controls/HistorySearch.h"
#include "controls/GridViewState.h"

class CellTip;
class FontMeasurer;
class FramePacer;
class IdleSummarizer;
class TimeSource;
class GridModel;
class NewRowsMarker;
class QAction;
class SpreadGridDelegate;

// The Qt item model over a GridModel. Rows appear in the counts the grid has
// announced, so a whole received block arrives as one insertion.
class GridTableModel : public QAbstractTableModel {
public:
    explicit GridTableModel(GridModel& grid, QObject* parent = nullptr);

    void apply(const GridChange& change);
    void detach();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    GridModel* grid_;
    int rows_ = 0;
    int columns_ = 0;
};

// A grid control over a GridModel (the terminal view, the chat view): no
// per-cell items, uniform rows, no editing. It holds how the grid is shown
// (gridView()) and brings itself up to date with it (rows, widths, font,
// the active cell scrolled into view, the repaint) at most once per frame
// of its screen's refresh, and never later than one frame after a change.
// While its reader is scrolled away from the bottom it stays where the
// reader is, and a marker at its bottom edge counts the rows that arrived
// below.
class SpreadGrid : public QTableView, private GridViewObserver {
    Q_OBJECT
public:
    // Gives the tip text for a cell's text.
    using TipTextProvider = std::function<QString(QStringView cellText)>;
    // Opens a link that was Ctrl+clicked.
    using LinkOpener = std::function<void(const QUrl&)>;

    explicit SpreadGrid(GridModel& grid, QWidget* parent = nullptr);
    ~SpreadGrid() override;

    // Visibility, active cell, redraw, font and widths, as the dialogue sets them.
    GridViewState& gridView() { return view_; }
    const GridViewState& gridView() const { return view_; }

    void setTipTextProvider(TipTextProvider provider);
    // Without a provider: the text, at most kTipCharacters of it and "…".
    static QString defaultTipText(QStringView text);
    static constexpr qsizetype kTipCharacters = 10000;

    GridModel* gridModel() const { return grid_; }
    // Frames are timed by `time` instead of Qt's event loop (tests).
    void setFrameTimeSource(TimeSource& time);
    int frameMs() const;

    // The find whose matches are highlighted; nullptr for none.
    void setSearch(const HistorySearch* search);
    // Scrolls a match into view, the sideways position kept while it shows.
    void showMatch(const HistorySearch::Match& match);

    // Follows the newest rows again and jumps to the newest (End, the marker).
    void followNewest();

    // Without an opener: the desktop's browser (QDesktopServices::openUrl).
    void setLinkOpener(LinkOpener opener);
    // The address of the link at a point of the viewport; empty if none.
    QString linkAt(const QPoint& viewportPos) const;

    // The selected cells as text: tab between columns, newline between rows.
    QString selectedText() const;
    void copySelection();
    QAction* copyAction() const { return copyAction_; }

    // For tests: the hover tip and the painting work done.
    const CellTip* cellTip() const { return tip_; }
    const SpreadGridDelegate* gridDelegate() const { return delegate_; }
    NewRowsMarker* newRowsMarker() const { return marker_; }

signals:
    // Column and row counted from 1.
    void cellDoubleClicked(int col, int row);

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyboardSearch(const QString& search) override;
    void scrollContentsBy(int dx, int dy) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void gridChanged(const GridChange& change) override;
    void gridChangeWaiting() override;
    void gridVisibilityChanged(bool visible) override;
    void gridDestroyed() override;

    double dpi() const;
    void applyFont();
    void applyWidths();
    int screenFrameMs() const;
    void scrollToActive();
    void readerScrolled(int from, int to);
    void keepReaderInPlace(int top);
    void updateNewRowsMarker();
    bool showTipAt(const QPoint& viewportPos, const QPoint& globalPos);
    void hideTip();

    GridModel* grid_;
    GridViewState view_;
    std::unique_ptr<FontMeasurer> measurer_;
    GridTableModel* model_;
    SpreadGridDelegate* delegate_;
    CellTip* tip_;
    NewRowsMarker* marker_;
    QAction* copyAction_;
    TipTextProvider tipText_;
    LinkOpener linkOpener_;
    std::unique_ptr<TimeSource> ownTime_;
    std::unique_ptr<FramePacer> frames_;
    IdleSummarizer* summarizer_;
};
