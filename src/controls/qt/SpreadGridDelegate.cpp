#include "controls/qt/SpreadGridDelegate.h"

#include <QAbstractItemView>
#include <QPainter>

#include <algorithm>

#include "controls/GridModel.h"
#include "controls/HistorySearch.h"
#include "controls/LinkFinder.h"
#include "controls/GridView.h"
#include "controls/qt/FontMeasurer.h"
#include "controls/qt/TerminalPalette.h"

namespace {

// Texts up to this length are drawn whole and clipped.
constexpr qsizetype kShortText = 512;
constexpr qsizetype kStep = 1024;
constexpr size_t kPrefixesKept = 16;
// Characters looked at on each side of a long text's visible span for
// matches and links.
constexpr qsizetype kContext = 2048;
const QColor kMatchColor(255, 236, 120);
const QColor kCurrentMatchColor(255, 160, 60);

}  // namespace

SpreadGridDelegate::SpreadGridDelegate(FontMeasurer& measurer, QAbstractItemView* view)
    : QStyledItemDelegate(view), measurer_(measurer), view_(view)
{}

void SpreadGridDelegate::setGrid(const GridModel* grid, const GridView* gridView)
{
    grid_ = grid;
    gridView_ = gridView;
    prefixes_.clear();
}

void SpreadGridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const
{
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    if (!grid_ || !gridView_ || row > grid_->rowCount() || col > grid_->columnCount())
        return;
    const QRect cell = option.rect;
    const QRect visible = cell.intersected(view_->viewport()->rect());
    if (visible.isEmpty())
        return;

    painter->save();
    painter->setClipRect(visible, Qt::IntersectClip);
    const QPalette::ColorGroup group = !(option.state & QStyle::State_Enabled) ? QPalette::Disabled
                                       : (option.state & QStyle::State_Active) ? QPalette::Active
                                                                               : QPalette::Inactive;
    const bool selected = option.state & QStyle::State_Selected;
    if (selected)
        painter->fillRect(visible, option.palette.brush(group, QPalette::Highlight));
    else if (const auto back = grid_->rowBackColor(row))
        painter->fillRect(visible, bgrColor(*back));
    paintText(painter, option, group, index, visible);
    painter->restore();
}

void SpreadGridDelegate::paintText(QPainter* painter, const QStyleOptionViewItem& option,
                                   QPalette::ColorGroup group, const QModelIndex& index,
                                   const QRect& visible) const
{
    const int row = index.row() + 1;
    const int col = index.column() + 1;
    const QStringView text = grid_->text(col, row);
    if (text.isEmpty())
        return;
    const QRect cell = option.rect;
    const bool selected = option.state & QStyle::State_Selected;
    CharAdvances& advances = measurer_.advances(gridView_->font());
    const double origin = cell.left() + kPadding;
    const Span span =
        visibleSpan(col, row, text, advances, visible.left() - origin, visible.right() + 1 - origin);
    if (span.count <= 0)
        return;
    QColor pen = option.palette.color(group, QPalette::Text);
    if (selected)
        pen = option.palette.color(group, QPalette::HighlightedText);
    else if (const auto fore = grid_->rowForeColor(row))
        pen = bgrColor(*fore);
    painter->setPen(pen);
    painter->setFont(advances.font());
    const QFontMetricsF metrics(advances.font());
    const double baseline = cell.top() + (cell.height() - metrics.height()) / 2 + metrics.ascent();
    const GridModel::StyleRuns runs = grid_->styleRuns(col, row);
    const std::vector<Range> links = selected ? std::vector<Range>() : linksNear(text, span);
    const StyledSpan styled{text,
                            span,
                            runs,
                            advances,
                            origin,
                            baseline,
                            cell,
                            pen,
                            option.palette.color(group, QPalette::Base),
                            links,
                            option.palette.color(group, QPalette::Link)};
    paintMatches(painter, styled, matchesNear(col, row, text, span));
    if ((runs.empty() && links.empty()) || selected)
        painter->drawText(QPointF(origin + span.x, baseline), text.mid(span.first, span.count).toString());
    else
        paintStyled(painter, styled);
    painted_ += span.count;
}

// Looked at around the visible span only: a match or an address longer than
// this reaching into it from far outside is not drawn as one.
std::pair<qsizetype, qsizetype> SpreadGridDelegate::windowAround(QStringView text, const Span& span)
{
    if (text.size() <= kShortText)
        return {0, text.size()};
    return {std::max<qsizetype>(0, span.first - kContext),
            std::min(text.size(), span.first + span.count + kContext)};
}

std::vector<SpreadGridDelegate::Range> SpreadGridDelegate::matchesNear(int col, int row, QStringView text,
                                                                       const Span& span) const
{
    std::vector<Range> out;
    if (!search_ || !search_->hasQuery())
        return out;
    const auto [from, to] = windowAround(text, span);
    const HistorySearch::Match current = search_->current();
    const qsizetype end = span.first + span.count;
    search_->matcher().forEachIn(text.sliced(from, to - from), [&](FoldedMatcher::Span m) {
        const qsizetype start = from + m.start;
        if (start >= end)
            return false;
        if (start + m.length > span.first)
            out.push_back({start, start + m.length,
                           current.row == row && current.col == col && current.start == start});
        return true;
    });
    return out;
}

std::vector<SpreadGridDelegate::Range> SpreadGridDelegate::linksNear(QStringView text, const Span& span) const
{
    std::vector<Range> out;
    const auto [from, to] = windowAround(text, span);
    for (const LinkFinder::Link& l : LinkFinder::findLinks(text.sliced(from, to - from))) {
        const qsizetype start = from + l.start;
        if (start + l.length > span.first && start < span.first + span.count)
            out.push_back({start, start + l.length, false});
    }
    return out;
}

void SpreadGridDelegate::paintMatches(QPainter* painter, const StyledSpan& s,
                                      const std::vector<Range>& matches) const
{
    qsizetype at = s.span.first;
    double x = s.origin + s.span.x;
    const auto xAt = [&](qsizetype i) {
        for (; at < i; ++at)
            x += s.advances.at(s.text, at);
        return x;
    };
    const qsizetype end = s.span.first + s.span.count;
    for (const Range& r : matches) {
        const double left = xAt(std::max(r.start, s.span.first));
        const double right = xAt(std::min(r.end, end));
        painter->fillRect(QRectF(left, s.cell.top(), right - left, s.cell.height()),
                          r.current ? kCurrentMatchColor : kMatchColor);
    }
}

qsizetype SpreadGridDelegate::offsetAt(int col, int row, double x) const
{
    if (!grid_ || x < 0)
        return -1;
    const QStringView text = grid_->text(col, row);
    CharAdvances& advances = measurer_.advances(gridView_->font());
    if (text.size() > kShortText) {
        const Span span = visibleSpan(col, row, text, advances, x, x + 1);
        return span.count > 0 ? span.first : -1;
    }
    double end = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        end += advances.at(text, i);
        if (end > x)
            return i;
    }
    return -1;
}

double SpreadGridDelegate::xOf(int col, int row, qsizetype offset) const
{
    if (!grid_)
        return 0;
    const QStringView text = grid_->text(col, row);
    return measurer_.advances(gridView_->font())
        .width(text.first(std::clamp<qsizetype>(offset, 0, text.size())));
}

// The visible span piece by piece, each piece in the style the host gave it:
// colours, reverse, underline, and bold struck twice a pixel apart so that
// the advances, and with them the column's width, stay those of the font.
// Links are drawn underlined in the link colour.
void SpreadGridDelegate::paintStyled(QPainter* painter, const StyledSpan& s) const
{
    const GridModel::StyleRun* run =
        std::upper_bound(s.runs.begin, s.runs.end, s.span.first,
                         [](qsizetype at, const GridModel::StyleRun& r) { return at < r.offset; });
    auto link = s.links.begin();
    double x = s.origin + s.span.x;
    const qsizetype end = s.span.first + s.span.count;
    for (qsizetype from = s.span.first; from < end;) {
        const TextStyle style = run == s.runs.begin ? TextStyle() : (run - 1)->style;
        while (link != s.links.end() && link->end <= from)
            ++link;
        const bool inLink = link != s.links.end() && link->start <= from;
        qsizetype to = run == s.runs.end ? end : std::min(end, qsizetype(run->offset));
        if (link != s.links.end())
            to = std::min(to, inLink ? link->end : link->start);
        double width = 0;
        for (qsizetype i = from; i < to; ++i)
            width += s.advances.at(s.text, i);
        QColor fore = inLink ? s.link : TerminalPalette::color(style.fore, s.pen);
        QColor back = TerminalPalette::color(style.back, s.base);
        if (style.has(TextStyle::Reverse))
            std::swap(fore, back);
        if (style.back != TextStyle::kDefault || style.has(TextStyle::Reverse))
            painter->fillRect(QRectF(x, s.cell.top(), width, s.cell.height()), back);
        painter->setPen(fore);
        const QString piece = s.text.mid(from, to - from).toString();
        painter->drawText(QPointF(x, s.baseline), piece);
        if (style.has(TextStyle::Bold))
            painter->drawText(QPointF(x + 1, s.baseline), piece);
        if (style.has(TextStyle::Underline) || inLink)
            painter->drawLine(QPointF(x, s.baseline + 1.5), QPointF(x + width, s.baseline + 1.5));
        x += width;
        from = to;
        if (run != s.runs.end && run->offset <= from)
            ++run;
    }
}

QSize SpreadGridDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(0, option.fontMetrics.height() + 2);
}

SpreadGridDelegate::Span SpreadGridDelegate::visibleSpan(int col, int row, QStringView text,
                                                         CharAdvances& advances, double from, double to) const
{
    const qsizetype n = text.size();
    if (n <= kShortText)
        return {0, n, 0};
    Prefix& prefix = prefixFor(col, row, text, advances);
    extend(prefix, text, advances, from);
    const auto& marks = prefix.marks;
    const qsizetype k =
        std::max<qsizetype>(0, (std::upper_bound(marks.begin(), marks.end(), from) - marks.begin()) - 1);
    qsizetype first = k * kStep;
    double x = marks[size_t(k)];
    for (; first < n; ++first) {
        const double advance = advances.at(text, first);
        if (x + advance > from)
            break;
        x += advance;
        ++scanned_;
    }
    qsizetype last = first;
    for (double end = x; last < n && end < to; ++last) {
        end += advances.at(text, last);
        ++scanned_;
    }
    // Neither end may cut a surrogate pair.
    if (last < n && text[last].isLowSurrogate())
        ++last;
    return {first, last - first, x};
}

SpreadGridDelegate::Prefix& SpreadGridDelegate::prefixFor(int col, int row, QStringView text,
                                                          CharAdvances& advances) const
{
    const quint64 generation = grid_->contentGeneration();
    for (Prefix& p : prefixes_) {
        if (p.col == col && p.row == row && p.generation == generation && p.font == advances.serial() &&
            qsizetype(p.marks.size() - 1) * kStep <= text.size())
            return p;
    }
    Prefix fresh{col, row, generation, advances.serial(), {0.0}};
    if (prefixes_.size() < kPrefixesKept) {
        prefixes_.push_back(std::move(fresh));
        return prefixes_.back();
    }
    Prefix& slot = prefixes_[nextPrefix_];
    nextPrefix_ = (nextPrefix_ + 1) % kPrefixesKept;
    slot = std::move(fresh);
    return slot;
}

// Adds marks until they pass the given width or the text ends, so a cell
// shown from its start costs nothing here however long it is.
void SpreadGridDelegate::extend(Prefix& prefix, QStringView text, CharAdvances& advances, double upTo) const
{
    qsizetype covered = qsizetype(prefix.marks.size() - 1) * kStep;
    while (prefix.marks.back() <= upTo && covered + kStep <= text.size()) {
        double width = prefix.marks.back();
        for (qsizetype i = covered; i < covered + kStep; ++i)
            width += advances.at(text, i);
        scanned_ += kStep;
        prefix.marks.push_back(width);
        covered += kStep;
    }
}
