#include "controls/qt/SpreadGrid.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QScrollBar>

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/QtTimeSource.h"
#include "controls/FramePacer.h"
#include "controls/GridModel.h"
#include "controls/LinkFinder.h"
#include "controls/qt/CellTip.h"
#include "controls/qt/FontMeasurer.h"
#include "controls/qt/IdleSummarizer.h"
#include "controls/qt/NewRowsMarker.h"
#include "controls/qt/SpreadGridDelegate.h"
#include "controls/qt/TwipsConversion.h"
#include "controls/qt/Fonts.h"

namespace {

// The designed row height of the grids, in twips; taller fonts get taller rows.
constexpr double kRowTwips = 225;
// QHeaderView refuses sections wider than 1048575 pixels; a wider column is
// cut to that (about 100,000 characters), the rest of its text is reached by
// the tip and by copying.
constexpr int kWidestSectionPx = 1048575;
constexpr int kWidestColumnPx = kWidestSectionPx - 2 * SpreadGridDelegate::kPadding;

}  // namespace

// --- GridTableModel ---------------------------------------------------------

GridTableModel::GridTableModel(GridModel& grid, QObject* parent)
    : QAbstractTableModel(parent), grid_(&grid), rows_(grid.rowCount()), columns_(grid.columnCount())
{}

void GridTableModel::apply(const GridChange& change)
{
    if (!grid_)
        return;
    const int rows = grid_->rowCount();
    if (change.reset || rows < rows_ || grid_->columnCount() != columns_) {
        beginResetModel();
        rows_ = rows;
        columns_ = grid_->columnCount();
        endResetModel();
        return;
    }
    const int known = rows_;
    if (rows > rows_) {
        beginInsertRows(QModelIndex(), rows_, rows - 1);
        rows_ = rows;
        endInsertRows();
    }
    const int last = std::min(change.lastChangedRow, known);
    if (change.firstChangedRow > 0 && change.firstChangedRow <= last && columns_ > 0)
        emit dataChanged(index(change.firstChangedRow - 1, 0), index(last - 1, columns_ - 1));
}

void GridTableModel::detach()
{
    beginResetModel();
    grid_ = nullptr;
    rows_ = 0;
    columns_ = 0;
    endResetModel();
}

int GridTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_;
}

int GridTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns_;
}

QVariant GridTableModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    if (!grid_ || !index.isValid() || row > grid_->rowCount() || col > grid_->columnCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return grid_->text(col, row).toString();
    case Qt::ForegroundRole:
        if (const auto fore = grid_->rowForeColor(row))
            return QBrush(bgrColor(*fore));
        return {};
    case Qt::BackgroundRole:
        if (const auto back = grid_->rowBackColor(row))
            return QBrush(bgrColor(*back));
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags GridTableModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

// --- SpreadGrid -------------------------------------------------------------

SpreadGrid::SpreadGrid(GridModel& grid, QWidget* parent)
    : QTableView(parent), grid_(&grid), view_(grid), measurer_(std::make_unique<FontMeasurer>()),
      model_(new GridTableModel(grid, this)), delegate_(new SpreadGridDelegate(*measurer_, this)),
      tip_(new CellTip(this)), marker_(new NewRowsMarker(this)),
      copyAction_(new QAction(QStringLiteral("コピー"), this)), ownTime_(std::make_unique<QtTimeSource>()),
      summarizer_(new IdleSummarizer(view_.searchSummaries(), this))
{
    setModel(model_);
    setItemDelegate(delegate_);
    delegate_->setGrid(&grid, &view_);

    // A visible vertical header re-measures its labels at every insertion;
    // the grid needs neither header.
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setMaximumSectionSize(kWidestSectionPx);
    verticalHeader()->setMinimumSectionSize(1);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    setTabKeyNavigation(false);
    viewport()->setMouseTracking(true);

    copyAction_->setShortcut(QKeySequence::Copy);
    copyAction_->setShortcutVisibleInContextMenu(true);
    connect(copyAction_, &QAction::triggered, this, &SpreadGrid::copySelection);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        emit cellDoubleClicked(index.column() + 1, index.row() + 1);
    });
    // The scroll bar's actions are the reader's (dragging, clicking, the
    // wheel, paging from the input line); scrolling to the active cell is not.
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this,
            [this] { readerScrolled(verticalScrollBar()->value(), verticalScrollBar()->sliderPosition()); });
    // So is the view's own scrolling while the reader drags a selection.
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, this,
            [this, last = verticalScrollBar()->value()](int value) mutable {
                if (state() == DragSelectingState)
                    readerScrolled(last, value);
                last = value;
            });
    connect(marker_, &QAbstractButton::clicked, this, &SpreadGrid::followNewest);

    setFrameTimeSource(*ownTime_);
    view_.setUpdateTiming(GridViewState::UpdateTiming::WhenAsked);
    view_.setObserver(this);
    applyFont();
    applyWidths();
    if (!view_.isVisible())
        hide();
}

SpreadGrid::~SpreadGrid()
{
    view_.setObserver(nullptr);
}

void SpreadGrid::setFrameTimeSource(TimeSource& time)
{
    const bool pending = frames_ && frames_->isPending();
    frames_ = std::make_unique<FramePacer>(time, [this] { view_.bringUpToDate(); });
    if (pending)
        frames_->request();
}

int SpreadGrid::frameMs() const
{
    return frames_->frameMs();
}

void SpreadGrid::setTipTextProvider(TipTextProvider provider)
{
    tipText_ = std::move(provider);
}

void SpreadGrid::setSearch(const HistorySearch* search)
{
    delegate_->setSearch(search);
    viewport()->update();
}

void SpreadGrid::showMatch(const HistorySearch::Match& match)
{
    // A match may lie in rows that arrived since the last frame.
    view_.bringUpToDate();
    viewport()->update();
    if (!grid_ || !match.isValid() || match.row > model_->rowCount() || match.col > model_->columnCount())
        return;
    const QModelIndex index = model_->index(match.row - 1, match.col - 1);
    const int sideways = horizontalScrollBar()->value();
    const int from = verticalScrollBar()->value();
    scrollTo(index);
    // Sideways only as far as the match needs, for a long line.
    const int textLeft = horizontalHeader()->sectionPosition(match.col - 1) + SpreadGridDelegate::kPadding;
    const int left = textLeft + int(delegate_->xOf(match.col, match.row, match.start));
    const int right =
        textLeft + int(std::ceil(delegate_->xOf(match.col, match.row, match.start + match.length)));
    const int width = viewport()->width();
    const bool shows = left >= sideways && right <= sideways + width;
    horizontalScrollBar()->setValue(shows ? sideways : std::max(0, left - width / 3));
    readerScrolled(from, verticalScrollBar()->value());
}

void SpreadGrid::followNewest()
{
    view_.followNewest();
    updateNewRowsMarker();
}

void SpreadGrid::setLinkOpener(LinkOpener opener)
{
    linkOpener_ = std::move(opener);
}

QString SpreadGrid::linkAt(const QPoint& viewportPos) const
{
    const QModelIndex index = indexAt(viewportPos);
    if (!grid_ || !index.isValid())
        return {};
    const int col = index.column() + 1;
    const int row = index.row() + 1;
    const double x = viewportPos.x() - visualRect(index).left() - SpreadGridDelegate::kPadding;
    const qsizetype offset = delegate_->offsetAt(col, row, x);
    const QStringView text = grid_->text(col, row);
    LinkFinder::Link link;
    if (offset < 0 || !LinkFinder::linkAt(text, offset, &link))
        return {};
    return text.mid(link.start, link.length).toString();
}

void SpreadGrid::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ControlModifier)) {
        const QString link = linkAt(event->position().toPoint());
        if (!link.isEmpty()) {
            const QUrl url(link, QUrl::TolerantMode);
            if (linkOpener_)
                linkOpener_(url);
            else
                QDesktopServices::openUrl(url);
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

QString SpreadGrid::defaultTipText(QStringView text)
{
    if (text.size() <= kTipCharacters)
        return text.toString();
    qsizetype cut = kTipCharacters;
    if (text[cut - 1].isHighSurrogate())
        --cut;
    return text.left(cut).toString() + QStringLiteral("…");
}

QString SpreadGrid::selectedText() const
{
    if (!grid_ || !selectionModel())
        return {};
    const QItemSelection selection = selectionModel()->selection();
    std::vector<QItemSelectionRange> ranges(selection.cbegin(), selection.cend());
    std::sort(ranges.begin(), ranges.end(), [](const auto& a, const auto& b) {
        return a.top() != b.top() ? a.top() < b.top() : a.left() < b.left();
    });
    QString out;
    int nextRow = 0;
    bool first = true;
    for (const QItemSelectionRange& range : ranges) {
        for (int row = std::max(range.top(), nextRow); row <= range.bottom(); ++row) {
            if (!first)
                out += u'\n';
            first = false;
            for (int col = range.left(); col <= range.right(); ++col) {
                if (col > range.left())
                    out += u'\t';
                out += grid_->text(col + 1, row + 1);
            }
        }
        nextRow = std::max(nextRow, range.bottom() + 1);
    }
    return out;
}

void SpreadGrid::copySelection()
{
    if (!selectionModel() || !selectionModel()->hasSelection())
        return;
    QGuiApplication::clipboard()->setText(selectedText());
}

bool SpreadGrid::viewportEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto* help = static_cast<QHelpEvent*>(event);
        if (!showTipAt(help->pos(), help->globalPos()))
            hideTip();
        return true;
    }
    case QEvent::MouseMove: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (tip_->isVisible() && !tip_->area().contains(mouse->globalPosition().toPoint()))
            hideTip();
        // Ctrl over a link: the hand that says a click opens it.
        const bool overLink =
            (mouse->modifiers() & Qt::ControlModifier) && !linkAt(mouse->position().toPoint()).isEmpty();
        if (overLink)
            viewport()->setCursor(Qt::PointingHandCursor);
        else
            viewport()->unsetCursor();
        break;
    }
    case QEvent::Leave:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
        hideTip();
        break;
    default:
        break;
    }
    return QTableView::viewportEvent(event);
}

void SpreadGrid::keyPressEvent(QKeyEvent* event)
{
    hideTip();
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        event->accept();
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_End && (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier)) {
        followNewest();
        event->accept();
        return;
    }
    const int from = verticalScrollBar()->value();
    QTableView::keyPressEvent(event);
    readerScrolled(from, verticalScrollBar()->value());
}

void SpreadGrid::contextMenuEvent(QContextMenuEvent* event)
{
    hideTip();
    copyAction_->setEnabled(selectionModel() && selectionModel()->hasSelection());
    QMenu menu(this);
    menu.addAction(copyAction_);
    menu.exec(event->globalPos());
}

// Typing letters would search the display text of every row of the history.
void SpreadGrid::keyboardSearch(const QString&) {}

void SpreadGrid::scrollContentsBy(int dx, int dy)
{
    hideTip();
    QTableView::scrollContentsBy(dx, dy);
}

// Also called for the viewport's resizes, as when a scroll bar comes or goes.
void SpreadGrid::resizeEvent(QResizeEvent* event)
{
    QTableView::resizeEvent(event);
    marker_->placeIn(viewport()->geometry(), dpi());
}

void SpreadGrid::gridChanged(const GridChange& change)
{
    const int top = verticalScrollBar()->value();
    model_->apply(change);
    if (change.reset || change.rowsAfter != change.rowsBefore || change.firstChangedRow != 0)
        summarizer_->gridChanged();
    if (change.droppedRows > 0)
        keepReaderInPlace(top - change.droppedRows);
    updateNewRowsMarker();
    if (change.fontChanged)
        applyFont();
    if (change.reset || change.widthsChanged)
        applyWidths();
    if (change.activeCellSet)
        scrollToActive();
}

// The frame follows the screen the grid is on now.
void SpreadGrid::gridChangeWaiting()
{
    frames_->setFrameMs(screenFrameMs());
    frames_->request();
}

void SpreadGrid::gridVisibilityChanged(bool visible)
{
    if (!visible)
        hideTip();
    setVisible(visible);
}

void SpreadGrid::gridDestroyed()
{
    grid_ = nullptr;
    frames_->cancel();
    delegate_->setGrid(nullptr, nullptr);
    model_->detach();
}

double SpreadGrid::dpi() const
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return shown ? shown->logicalDotsPerInch() : 96.0;
}

int SpreadGrid::screenFrameMs() const
{
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    return FramePacer::frameMsFor(shown ? shown->refreshRate() : 0);
}

void SpreadGrid::applyFont()
{
    const QFont font = Fonts::toQFont(view_.font());
    setFont(font);
    const int height = std::max(QFontMetrics(font).height() + 2, Twips::toPx(kRowTwips, dpi()));
    verticalHeader()->setDefaultSectionSize(height);
}

void SpreadGrid::applyWidths()
{
    const double logicalDpi = dpi();
    for (int col = 1; col <= model_->columnCount(); ++col) {
        const int px = std::clamp(Twips::toPx(view_.columnWidth(col), logicalDpi), 0, kWidestColumnPx) +
                       2 * SpreadGridDelegate::kPadding;
        horizontalHeader()->resizeSection(col - 1, px);
    }
}

void SpreadGrid::scrollToActive()
{
    // The reader may have scrolled away since the cell was made active.
    if (!grid_ || !view_.isFollowing() || model_->rowCount() == 0 || model_->columnCount() == 0)
        return;
    const int row = std::clamp(view_.activeRow(), 1, model_->rowCount());
    const int col = std::clamp(view_.activeCol(), 1, model_->columnCount());
    const QModelIndex index = model_->index(row - 1, col - 1);

    // Bring the row into view but keep the sideways position while any of
    // the column shows, so reading a long line is not undone by each block.
    const int sideways = horizontalScrollBar()->value();
    const int left = horizontalHeader()->sectionPosition(col - 1);
    const int right = left + horizontalHeader()->sectionSize(col - 1);
    const bool columnShows = left < sideways + viewport()->width() && right > sideways;
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    scrollTo(index);
    if (columnShows)
        horizontalScrollBar()->setValue(sideways);
}

void SpreadGrid::readerScrolled(int from, int to)
{
    view_.readerMoved(from, to, verticalScrollBar()->maximum());
    updateNewRowsMarker();
}

// The oldest rows went and the rest moved up: the row the reader had at the
// top stays there, unless the view follows anyway.
void SpreadGrid::keepReaderInPlace(int top)
{
    if (!view_.isFollowing())
        verticalScrollBar()->setValue(std::max(0, top));
}

void SpreadGrid::updateNewRowsMarker()
{
    const int waiting = view_.isFollowing() ? 0 : view_.waitingRows();
    if (waiting > 0) {
        marker_->setCount(waiting);
        marker_->placeIn(viewport()->geometry(), dpi());
    }
    marker_->setVisible(waiting > 0);
}

bool SpreadGrid::showTipAt(const QPoint& viewportPos, const QPoint& globalPos)
{
    const QModelIndex index = indexAt(viewportPos);
    if (!grid_ || !index.isValid())
        return false;
    const QStringView text = grid_->text(index.column() + 1, index.row() + 1);
    const QString tip = tipText_ ? tipText_(text) : defaultTipText(text);
    const QRect cell = visualRect(index).intersected(viewport()->rect());
    const QRect area(viewport()->mapToGlobal(cell.topLeft()), cell.size());
    const QScreen* under = QGuiApplication::screenAt(globalPos);
    if (!under)
        under = screen();
    const int halfScreen = under ? under->geometry().width() / 2 : 400;
    tip_->showText(tip, globalPos, area, halfScreen);
    return true;
}

void SpreadGrid::hideTip()
{
    if (tip_->isVisible())
        tip_->hide();
}
