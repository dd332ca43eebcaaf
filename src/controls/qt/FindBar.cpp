#include "controls/qt/FindBar.h"

#include <QAbstractItemModel>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include <limits>

#include "controls/GridModel.h"
#include "controls/qt/SpreadGrid.h"

namespace {

// Text units of work per call, and milliseconds of work per turn of the
// event loop: the window answers keys and paints between turns.
constexpr qint64 kSlice = 1 << 18;
constexpr int kTurnMs = 15;

QToolButton* button(const QString& text, const QString& tip, const QString& name, QWidget* parent)
{
    auto* b = new QToolButton(parent);
    b->setText(text);
    b->setToolTip(tip);
    b->setObjectName(name);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

}  // namespace

FindBar::FindBar(QWidget* parent)
    : QFrame(parent), query_(new QLineEdit(this)),
      matchCase_(new QCheckBox(QStringLiteral("大文字と小文字を区別"), this)),
      matchWidth_(new QCheckBox(QStringLiteral("全角と半角を区別"), this)), count_(new QLabel(this)),
      previous_(button(QStringLiteral("▲"), QStringLiteral("前を検索 (Shift+Enter)"),
                       QStringLiteral("previous"), this)),
      next_(button(QStringLiteral("▼"), QStringLiteral("次を検索 (Enter)"), QStringLiteral("next"), this)),
      close_(button(QStringLiteral("×"), QStringLiteral("閉じる (Esc)"), QStringLiteral("close"), this))
{
    setObjectName(QStringLiteral("findBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    query_->setObjectName(QStringLiteral("findQuery"));
    query_->setPlaceholderText(QStringLiteral("検索"));
    query_->setClearButtonEnabled(true);
    query_->setMinimumWidth(query_->fontMetrics().horizontalAdvance(QLatin1Char('M')) * 16);
    query_->installEventFilter(this);
    matchCase_->setObjectName(QStringLiteral("findMatchCase"));
    matchWidth_->setObjectName(QStringLiteral("findMatchWidth"));
    count_->setObjectName(QStringLiteral("findCount"));
    count_->setMinimumWidth(count_->fontMetrics().horizontalAdvance(QStringLiteral("0000000 件…")));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 2, 2);
    row->setSpacing(4);
    row->addWidget(query_, 1);
    row->addWidget(count_);
    row->addWidget(previous_);
    row->addWidget(next_);
    row->addWidget(matchCase_);
    row->addWidget(matchWidth_);
    row->addWidget(close_);

    connect(query_, &QLineEdit::textChanged, this, &FindBar::queryChanged);
    connect(matchCase_, &QCheckBox::toggled, this, &FindBar::queryChanged);
    connect(matchWidth_, &QCheckBox::toggled, this, &FindBar::queryChanged);
    connect(previous_, &QToolButton::clicked, this, &FindBar::findPrevious);
    connect(next_, &QToolButton::clicked, this, &FindBar::findNext);
    connect(close_, &QToolButton::clicked, this, &FindBar::closeBar);
    work_.setSingleShot(true);
    work_.setInterval(0);
    connect(&work_, &QTimer::timeout, this, &FindBar::work);
    if (parent)
        parent->installEventFilter(this);
    hide();
}

FindBar::~FindBar()
{
    detach();
}

void FindBar::setViews(std::vector<SpreadGrid*> views)
{
    for (SpreadGrid* v : views) {
        views_.emplace_back(v);
        v->installEventFilter(this);
    }
}

SpreadGrid* FindBar::shownView() const
{
    for (const QPointer<SpreadGrid>& v : views_)
        if (v && v->isVisible())
            return v;
    return nullptr;
}

void FindBar::open()
{
    openOver(shownView());
}

void FindBar::openOver(SpreadGrid* view)
{
    if (!view || !view->gridModel())
        return;
    attach(view);
    show();
    place();
    raise();
    query_->setFocus(Qt::ShortcutFocusReason);
    query_->selectAll();
}

void FindBar::attach(SpreadGrid* view)
{
    if (view == view_)
        return;
    detach();
    view_ = view;
    viewObject_ = view;
    search_ = std::make_unique<HistorySearch>(*view->gridModel());
    search_->setSummaries(&view->gridView().searchSummaries());
    view_->setSearch(search_.get());
    const QAbstractItemModel* model = view->model();
    watches_ = {connect(model, &QAbstractItemModel::rowsInserted, this, &FindBar::countOn),
                connect(model, &QAbstractItemModel::dataChanged, this, &FindBar::countOn),
                connect(model, &QAbstractItemModel::modelReset, this, &FindBar::countOn)};
    queryChanged();
}

// Rows arrived or changed while the bar is open: the count goes on (or
// starts afresh) at the next turn of the event loop.
void FindBar::countOn()
{
    if (search_ && !work_.isActive())
        work_.start();
}

void FindBar::closeBar()
{
    detach();
    hide();
    emit closed();
}

// The view goes back to showing no matches; the query stays for next time.
void FindBar::detach()
{
    work_.stop();
    for (const QMetaObject::Connection& c : watches_)
        disconnect(c);
    watches_.clear();
    finding_ = false;
    if (view_)
        view_->setSearch(nullptr);
    view_ = nullptr;
    viewObject_ = nullptr;
    search_.reset();
}

void FindBar::findNext()
{
    step(HistorySearch::Direction::Forward);
}

void FindBar::findPrevious()
{
    step(HistorySearch::Direction::Backward);
}

bool FindBar::busy() const
{
    return finding_ || (search_ && !search_->countFinished());
}

// A new query or new options: the match nearest above the bottom of the
// view, or at the match shown so far, as a reader of the latest lines
// expects.
void FindBar::queryChanged()
{
    if (!search_ || !view_)
        return;
    const HistorySearch::Match before = search_->current();
    search_->setQuery(query_->text(), FindOptions{matchCase_->isChecked(), matchWidth_->isChecked()});
    if (before.isValid()) {
        search_->findFrom(before.row, before.col, before.start + 1, HistorySearch::Direction::Backward);
    } else {
        const GridModel& grid = *view_->gridModel();
        const int bottom = view_->rowAt(view_->viewport()->height() - 1);
        search_->findFrom(bottom >= 0 ? bottom + 1 : grid.rowCount(), grid.columnCount(),
                          std::numeric_limits<qsizetype>::max(), HistorySearch::Direction::Backward);
    }
    finding_ = search_->hasQuery();
    view_->viewport()->update();
    showCount();
    work_.start();
}

void FindBar::step(HistorySearch::Direction direction)
{
    if (!search_ || !search_->hasQuery())
        return;
    search_->findNext(direction);
    finding_ = true;
    work();
}

void FindBar::work()
{
    if (!search_ || !view_)
        return;
    QElapsedTimer turn;
    turn.start();
    while (finding_ && turn.elapsed() < kTurnMs) {
        const HistorySearch::Progress p = search_->findSome(kSlice);
        if (p == HistorySearch::Progress::Searching)
            continue;
        finding_ = false;
        view_->showMatch(search_->current());
    }
    while (!finding_ && !search_->countSome(kSlice) && turn.elapsed() < kTurnMs) {}
    showCount();
    if (busy())
        work_.start();
}

void FindBar::showCount()
{
    if (!search_ || !search_->hasQuery()) {
        count_->clear();
        return;
    }
    const bool counting = !search_->countFinished();
    count_->setText(
        QStringLiteral("%1 件%2").arg(search_->matchCount()).arg(counting ? QStringLiteral("…") : QString()));
}

bool FindBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Resize)
        place();
    // The screen switched under the open bar: it follows to the view shown,
    // leaving the focus where it is.
    if (watched == viewObject_ && event->type() == QEvent::Hide && isVisible()) {
        QTimer::singleShot(0, this, [this] {
            if (SpreadGrid* shown = shownView(); shown && isVisible())
                attach(shown);
        });
    }
    if (watched == query_ && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        }
        if (key->key() == Qt::Key_Escape) {
            closeBar();
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void FindBar::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        closeBar();
        return;
    }
    QFrame::keyPressEvent(event);
}

// Over the top right corner of the parent, as wide as it needs, never wider
// than the parent.
void FindBar::place()
{
    const QWidget* over = parentWidget();
    if (!over)
        return;
    const int width = std::min(std::max(sizeHint().width(), over->width() / 2), over->width());
    const int height = sizeHint().height();
    setGeometry(over->width() - width, 0, width, height);
}
