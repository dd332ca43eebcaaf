#pragma once

#include <QColor>
#include <QStyledItemDelegate>

#include <utility>
#include <vector>

#include "controls/GridModel.h"

class CharAdvances;
class FontMeasurer;
class HistorySearch;
class GridView;
class QAbstractItemView;

// A grid colour, 0x00BBGGRR, as a QColor.
inline QColor bgrColor(qint32 bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

// Paints a grid cell straight from the GridModel: row colours, selection,
// and only the characters of the text that fall inside the viewport, found
// through summed character advances. A line of megabytes paints as fast as
// a short one and is never laid out whole. Matches of a find are drawn on a
// highlight, http and https addresses as links.
class SpreadGridDelegate : public QStyledItemDelegate {
public:
    // Space between a cell's edge and its text, in pixels.
    static constexpr int kPadding = 2;

    SpreadGridDelegate(FontMeasurer& measurer, QAbstractItemView* view);

    // The grid painted and the view whose font it is painted in.
    void setGrid(const GridModel* grid, const GridView* gridView);
    // The find whose matches are highlighted; nullptr for none.
    void setSearch(const HistorySearch* search) { search_ = search; }
    // The character at `x` pixels from the start of the cell's text, or -1.
    qsizetype offsetAt(int col, int row, double x) const;
    // Pixels from the start of the cell's text to the character at `offset`.
    double xOf(int col, int row, qsizetype offset) const;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Work done so far, for tests: characters handed to the painter, and
    // characters whose advances were summed to find what is visible.
    qint64 paintedCharacters() const { return painted_; }
    qint64 scannedCharacters() const { return scanned_; }

private:
    struct Span {
        qsizetype first = 0;
        qsizetype count = 0;
        double x = 0;  // pixels from the text's start to the span's
    };
    // Widths of a long cell's text at every kStep characters, kept for the
    // cells painted lately; valid while the cell only grows.
    struct Prefix {
        int col = 0;
        int row = 0;
        quint64 generation = 0;
        quint64 font = 0;
        std::vector<double> marks;
    };

    // A range of a cell's text: a match or a link.
    struct Range {
        qsizetype start = 0;
        qsizetype end = 0;
        bool current = false;
    };
    struct StyledSpan {
        QStringView text;
        Span span;
        GridModel::StyleRuns runs;
        CharAdvances& advances;
        double origin;
        double baseline;
        QRect cell;
        QColor pen;
        QColor base;
        const std::vector<Range>& links;
        QColor link;
    };
    void paintText(QPainter* painter, const QStyleOptionViewItem& option, QPalette::ColorGroup group,
                   const QModelIndex& index, const QRect& visible) const;
    void paintStyled(QPainter* painter, const StyledSpan& styled) const;
    static std::pair<qsizetype, qsizetype> windowAround(QStringView text, const Span& span);
    // The matches and links that reach into the visible span; a long text
    // is looked at only around it.
    std::vector<Range> matchesNear(int col, int row, QStringView text, const Span& span) const;
    std::vector<Range> linksNear(QStringView text, const Span& span) const;
    void paintMatches(QPainter* painter, const StyledSpan& styled, const std::vector<Range>& matches) const;
    Span visibleSpan(int col, int row, QStringView text, CharAdvances& advances, double from,
                     double to) const;
    Prefix& prefixFor(int col, int row, QStringView text, CharAdvances& advances) const;
    void extend(Prefix& prefix, QStringView text, CharAdvances& advances, double upTo) const;

    FontMeasurer& measurer_;
    QAbstractItemView* view_;
    const GridModel* grid_ = nullptr;
    const HistorySearch* search_ = nullptr;
    const GridView* gridView_ = nullptr;
    mutable std::vector<Prefix> prefixes_;
    mutable size_t nextPrefix_ = 0;
    mutable qint64 painted_ = 0;
    mutable qint64 scanned_ = 0;
};
