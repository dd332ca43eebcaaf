#include "controls/GridModel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "controls/GridObserver.h"
#include "controls/GrowingArray.h"
#include "controls/TextMeasurer.h"

namespace {

// Designed widths: the chat view's handle and message columns; further
// columns take the message column's width.
constexpr double kFirstColumnTwips = 1200;
constexpr double kOtherColumnTwips = 975;

// Cells written but not yet measured are measured in batches of this size
// when nobody asks for the width, so the list stays small.
constexpr size_t kDirtyFoldSize = 4096;

// Dead text left behind by rewritten cells is dropped once it outweighs the
// live text and is worth a pass.
constexpr qint64 kMinGarbageToCompact = 1 << 20;

struct ColorEntry {
    int row;
    qint32 color;
};

// Rows with a colour, in row order. A chat row is coloured as it is added,
// so the list grows as the history does.
using ColorList = GrowingArray<ColorEntry>;

// The place of the first entry at or after `row`.
size_t findRow(const ColorList& list, int row)
{
    const ColorEntry* begin = list.data();
    const ColorEntry* end = begin + list.size();
    return size_t(std::lower_bound(begin, end, row, [](const ColorEntry& e, int r) { return e.row < r; }) -
                  begin);
}

void setRowColor(ColorList& list, int row, qint32 color)
{
    // Rows are coloured as they are added, so the common case appends.
    if (list.empty() || list[list.size() - 1].row < row) {
        list.push_back({row, color});
        return;
    }
    const size_t at = findRow(list, row);
    if (at < list.size() && list[at].row == row)
        list[at].color = color;
    else
        list.insert(at, {row, color});
}

std::optional<qint32> rowColor(const ColorList& list, int row)
{
    const size_t at = findRow(list, row);
    if (at < list.size() && list[at].row == row)
        return list[at].color;
    return std::nullopt;
}

void dropRowsFrom(ColorList& list, int firstDropped)
{
    list.resize(findRow(list, firstDropped));
}

// The rows up to `count` are gone; the later ones move up.
void dropRowsBefore(ColorList& list, int count)
{
    const size_t from = findRow(list, count + 1);
    size_t to = 0;
    for (size_t i = from; i < list.size(); ++i)
        list[to++] = {list[i].row - count, list[i].color};
    list.resize(to);
}

// Drops the first `count` entries of an array, moving the rest down.
template <typename T> void dropFront(GrowingArray<T>& array, size_t count)
{
    count = std::min(count, array.size());
    if (count > 0 && count < array.size())
        std::memmove(array.data(), array.data() + count, (array.size() - count) * sizeof(T));
    array.resize(array.size() - count);
    array.shrink();
}

// Width bookkeeping of one column. Text only grows in this client, so a
// running maximum over the cells measured so far is the column's width.
struct Column {
    double width = kOtherColumnTwips;
    double widest = 0;
    bool needFull = false;
    std::vector<qint64> dirty;  // cells written since they were last measured
    // The cell measured last and its measured length: when it has only grown
    // since, just its new characters are measured.
    qint64 tailCell = -1;
    qsizetype tailLength = 0;
    TextMeasurer::Width tail;
};

}  // namespace

struct GridModel::Impl {
    int columns = 1;
    int rows = 0;
    // All cell text in one buffer; a cell is a start and a length in it.
    GrowingArray<char16_t> text;
    GrowingArray<qint64> start;
    GrowingArray<quint32> length;
    qint64 garbage = 0;
    ColorList fore;
    ColorList back;
    GrowingArray<GridModel::StyleRun> styles;
    // One past the last character of this grid's buffer that a borrower
    // reads: the buffer may shrink down to here.
    qint64 lentUpTo = 0;
    std::vector<Column> widths;
    FontSpec font;
    TextMeasurer* measurer = nullptr;
    GridObserver* observer = nullptr;
    bool redraw = true;
    GridChange pending;
    int notifiedRows = 0;
    bool visible = true;
    int activeCol = 0;
    int activeRow = 0;
    quint64 generation = 0;
    // Borrowed cells have a negative start: -1 - the offset of their text in
    // the lender's buffer.
    Impl* lender = nullptr;
    std::vector<Impl*> borrowers;
    qint64 borrowedCells = 0;

    bool validCol(int col) const { return col >= 1 && col <= columns; }
    bool valid(int col, int row) const { return validCol(col) && row >= 1 && row <= rows; }
    qint64 index(int col, int row) const { return qint64(row - 1) * columns + (col - 1); }
    static bool borrowed(qint64 at) { return at < 0; }
    bool atEnd(qint64 i) const { return start[i] >= 0 && start[i] + length[i] == qint64(text.size()); }
    // Where t starts in this grid's buffer, or -1.
    qint64 offsetOf(QStringView t) const
    {
        const char16_t* p = reinterpret_cast<const char16_t*>(t.utf16());
        if (text.empty() || p < text.data() || p + t.size() > text.data() + text.size())
            return -1;
        return p - text.data();
    }
    bool aliases(QStringView t) const
    {
        const char16_t* p = reinterpret_cast<const char16_t*>(t.utf16());
        return !text.empty() && p >= text.data() && p < text.data() + text.size();
    }
    QStringView cell(qint64 i) const
    {
        const qint64 at = start[i];
        const char16_t* base = borrowed(at) ? lender->text.data() + (-1 - at) : text.data() + at;
        return QStringView(base, qsizetype(length[i]));
    }
    qint64 ownLength(qint64 i) const { return borrowed(start[i]) ? 0 : length[i]; }

    void reserveFor(qint64 extra);
    void moveToEnd(qint64 i);
    void put(qint64 i, QStringView t);
    void append(qint64 i, QStringView t);
    void addEmptyCells(qint64 count);
    void compactIfWasteful();
    void compact();
    void dropStylesBefore(qint64 cells);
    // The first `cells` cells are gone: the column's cell numbers move down.
    void shiftColumn(Column& column, qint64 cells);
    void resetWidths();
    void lend(qint64 i, QStringView t, qint64 offset);
    // Drops the style runs of cell i from `offset` on, and of every later cell.
    void dropStylesFrom(qint64 i, qsizetype offset);
    size_t firstStyleOf(qint64 i) const;
    void takeBorrowedText();
    void recallLoans();
    // Stops borrowing; `keepText` first makes the borrowed texts this grid's own.
    void unlink(bool keepText);

    void written(int col, int row, qint64 i);
    void rowChanged(int row);
    void foldDirty(Column& column);
    void measureAll(int col);
    TextMeasurer::Width measure(QStringView t)
    {
        return t.isEmpty() ? TextMeasurer::Width{0.0, 0} : measurer->measure(t, font);
    }
    TextMeasurer::Width measureCell(const Column& column, qint64 i);
    TextMeasurer::Width grownTail(const Column& column, QStringView t);
    bool lentEndWidth(qint64 i, TextMeasurer::Width& width);
    void changed();
    void flush();
};

void GridModel::Impl::reserveFor(qint64 extra)
{
    const size_t need = text.size() + size_t(extra);
    if (need > text.capacity())
        text.reserve(std::max(need, text.capacity() * 2));
}

// A cell that is not at the end of the buffer moves there before it grows;
// its old place becomes garbage.
void GridModel::Impl::moveToEnd(qint64 i)
{
    if (atEnd(i))
        return;
    const qint64 n = length[i];
    reserveFor(n);
    const size_t to = text.size();
    text.resize(to + size_t(n));
    if (n > 0)
        std::memcpy(text.data() + to, cell(i).utf16(), size_t(n) * sizeof(char16_t));
    if (borrowed(start[i]))
        --borrowedCells;
    else
        garbage += n;
    start[i] = qint64(to);
}

void GridModel::Impl::append(qint64 i, QStringView t)
{
    const qint64 room = qint64(std::numeric_limits<quint32>::max()) - length[i];
    const qint64 n = std::min<qint64>(t.size(), room);
    if (n <= 0)
        return;
    reserveFor(n + (atEnd(i) ? 0 : length[i]));
    moveToEnd(i);
    const size_t at = text.size();
    text.resize(at + size_t(n));
    std::memcpy(text.data() + at, t.utf16(), size_t(n) * sizeof(char16_t));
    length[i] += quint32(n);
}

void GridModel::Impl::put(qint64 i, QStringView t)
{
    const qint64 n = std::min<qint64>(t.size(), std::numeric_limits<quint32>::max());
    if (borrowed(start[i])) {
        // Written afresh at the end; the lender's text is left alone.
        --borrowedCells;
        start[i] = qint64(text.size());
        length[i] = 0;
    }
    const qint64 old = length[i];
    if (old > 0)
        recallLoans();
    if (atEnd(i)) {
        text.resize(size_t(start[i] + n));
    } else if (n <= old) {
        garbage += old - n;
    } else {
        garbage += old;
        reserveFor(n);
        start[i] = qint64(text.size());
        text.resize(text.size() + size_t(n));
    }
    if (n > 0)  // an empty grid may have no buffer at all
        std::memcpy(text.data() + start[i], t.utf16(), size_t(n) * sizeof(char16_t));
    length[i] = quint32(n);
}

void GridModel::Impl::addEmptyCells(qint64 count)
{
    start.resize(start.size() + size_t(count), qint64(text.size()));
    length.resize(length.size() + size_t(count), 0);
}

void GridModel::Impl::compactIfWasteful()
{
    const qint64 live = qint64(text.size()) - garbage;
    if (garbage < kMinGarbageToCompact || garbage < live)
        return;
    compact();
}

void GridModel::Impl::compact()
{
    const qint64 live = qint64(text.size()) - garbage;
    recallLoans();
    GrowingArray<char16_t> packed;
    packed.reserve(size_t(live));
    for (size_t i = 0; i < start.size(); ++i) {
        if (borrowed(start[i]))
            continue;
        const qint64 at = qint64(packed.size());
        packed.append(text.data() + start[i], length[i]);
        start[i] = at;
    }
    text.swap(packed);
    garbage = 0;
}

void GridModel::Impl::resetWidths()
{
    for (Column& c : widths) {
        c.needFull = true;
        c.dirty.clear();
        c.tailCell = -1;
    }
}

void GridModel::Impl::lend(qint64 i, QStringView t, qint64 offset)
{
    const qint64 old = ownLength(i);
    if (old > 0)
        recallLoans();
    if (atEnd(i))
        text.resize(size_t(start[i]));
    else
        garbage += old;
    if (!borrowed(start[i]))
        ++borrowedCells;
    lender->lentUpTo = std::max(lender->lentUpTo, offset + qint64(t.size()));
    start[i] = -1 - offset;
    length[i] = quint32(std::min<qint64>(t.size(), std::numeric_limits<quint32>::max()));
}

size_t GridModel::Impl::firstStyleOf(qint64 i) const
{
    const StyleRun* b = styles.data();
    const StyleRun* e = b + styles.size();
    return size_t(std::lower_bound(b, e, i, [](const StyleRun& r, qint64 cell) { return r.cell < cell; }) -
                  b);
}

void GridModel::Impl::dropStylesFrom(qint64 i, qsizetype offset)
{
    size_t keep = styles.size();
    while (keep > 0 &&
           (styles[keep - 1].cell > i || (styles[keep - 1].cell == i && styles[keep - 1].offset >= offset)))
        --keep;
    styles.resize(keep);
}

void GridModel::Impl::dropStylesBefore(qint64 cells)
{
    size_t to = 0;
    for (size_t i = 0; i < styles.size(); ++i)
        if (styles[i].cell >= cells)
            styles[to++] = {styles[i].cell - cells, styles[i].offset, styles[i].style};
    styles.resize(to);
}

void GridModel::Impl::shiftColumn(Column& column, qint64 cells)
{
    column.tailCell = column.tailCell >= cells ? column.tailCell - cells : -1;
    size_t to = 0;
    for (const qint64 i : column.dirty)
        if (i >= cells)
            column.dirty[to++] = i - cells;
    column.dirty.resize(to);
}

// The lender is about to change its buffer: every borrowed text becomes this
// grid's own copy, unchanged.
void GridModel::Impl::takeBorrowedText()
{
    if (borrowedCells == 0)
        return;
    for (size_t i = 0; i < start.size(); ++i) {
        if (borrowed(start[i]))
            moveToEnd(qint64(i));
    }
}

void GridModel::Impl::recallLoans()
{
    for (Impl* b : borrowers)
        b->takeBorrowedText();
}

void GridModel::Impl::unlink(bool keepText)
{
    if (!lender)
        return;
    if (keepText)
        takeBorrowedText();
    auto& list = lender->borrowers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    lender = nullptr;
}

void GridModel::Impl::written(int col, int row, qint64 i)
{
    if (measurer) {
        Column& c = widths[col - 1];
        if (!c.needFull && (c.dirty.empty() || c.dirty.back() != i)) {
            c.dirty.push_back(i);
            if (c.dirty.size() >= kDirtyFoldSize)
                foldDirty(c);
        }
    }
    rowChanged(row);
}

void GridModel::Impl::rowChanged(int row)
{
    if (pending.firstChangedRow == 0 || row < pending.firstChangedRow)
        pending.firstChangedRow = row;
    pending.lastChangedRow = std::max(pending.lastChangedRow, row);
    changed();
}

void GridModel::Impl::foldDirty(Column& column)
{
    for (const qint64 i : column.dirty) {
        const TextMeasurer::Width w = measureCell(column, i);
        column.tailCell = i;
        column.tailLength = cell(i).size();
        column.tail = w;
        column.widest = std::max(column.widest, w.twips);
    }
    column.dirty.clear();
}

TextMeasurer::Width GridModel::Impl::measureCell(const Column& column, qint64 i)
{
    const QStringView t = cell(i);
    if (i == column.tailCell && t.size() >= column.tailLength)
        return grownTail(column, t);
    TextMeasurer::Width w;
    if (lentEndWidth(i, w))
        return w;
    return measure(t);
}

// The cell measured last has only grown since: just its new characters are
// measured.
TextMeasurer::Width GridModel::Impl::grownTail(const Column& column, QStringView t)
{
    const TextMeasurer::Width added = measure(t.mid(column.tailLength));
    if (column.tail.units < 0 || added.units < 0)
        return {column.tail.twips + added.twips, -1};
    const qint64 units = column.tail.units + added.units;
    return {measurer->unitsToTwips(units), units};
}

// A borrowed text that ends where the lender's last measured cell ends (a
// chat message, the end of a terminal line) is as wide as that cell less
// its beginning, when the widths come in exact units: only the beginning is
// measured. The lender's measurement still holds while its column needs no
// full pass and the cell has its measured length (a rewrite of a measured
// text asks for a full pass; anything else changes the length).
bool GridModel::Impl::lentEndWidth(qint64 i, TextMeasurer::Width& width)
{
    if (!lender || !borrowed(start[i]) || lender->measurer != measurer || !(lender->font == font))
        return false;
    const qint64 from = -1 - start[i];
    const qint64 end = from + length[i];
    for (const Column& c : lender->widths) {
        const qint64 j = c.tailCell;
        if (c.needFull || j < 0 || c.tail.units < 0 || j >= qint64(lender->start.size()))
            continue;
        const qint64 at = lender->start[j];
        if (borrowed(at) || lender->length[j] != quint32(c.tailLength) || at > from ||
            at + c.tailLength != end)
            continue;
        const TextMeasurer::Width head = measure(QStringView(lender->text.data() + at, qsizetype(from - at)));
        if (head.units < 0)
            return false;
        const qint64 units = c.tail.units - head.units;
        width = {measurer->unitsToTwips(units), units};
        return true;
    }
    return false;
}

void GridModel::Impl::measureAll(int col)
{
    Column& c = widths[col - 1];
    c.widest = 0;
    c.dirty.clear();
    c.tailCell = -1;
    for (int row = 1; row <= rows; ++row)
        c.dirty.push_back(index(col, row));
    foldDirty(c);
    c.needFull = false;
}

void GridModel::Impl::changed()
{
    if (redraw)
        flush();
}

void GridModel::Impl::flush()
{
    if (!observer) {  // nobody to tell: what was gathered is simply dropped
        pending = GridChange{};
        notifiedRows = rows;
        return;
    }
    pending.rowsBefore = notifiedRows;
    pending.rowsAfter = rows;
    notifiedRows = rows;
    const GridChange change = pending;
    pending = GridChange{};
    if (observer && !change.empty())
        observer->gridChanged(change);
}

GridModel::GridModel(int columns) : d(new Impl)
{
    setColumnCount(columns);
}

GridModel::~GridModel()
{
    if (d->observer)
        d->observer->gridDestroyed();
    d->unlink(false);
    for (Impl* b : std::vector<Impl*>(d->borrowers))
        b->unlink(true);
    delete d;
}

void GridModel::borrowTextFrom(GridModel* lender)
{
    if (lender && lender->d == d)
        return;
    d->unlink(true);
    if (lender) {
        d->lender = lender->d;
        lender->d->borrowers.push_back(d);
    }
}

void GridModel::setMeasurer(TextMeasurer* measurer)
{
    if (measurer == d->measurer)
        return;
    d->measurer = measurer;
    d->resetWidths();
}

void GridModel::setObserver(GridObserver* observer)
{
    d->observer = observer;
    d->notifiedRows = d->rows;
    d->pending = GridChange{};
}

int GridModel::columnCount() const
{
    return d->columns;
}

void GridModel::setColumnCount(int columns)
{
    columns = std::max(columns, 0);
    if (columns == d->columns && !d->widths.empty())
        return;
    GrowingArray<qint64> start;
    GrowingArray<quint32> length;
    start.reserve(size_t(d->rows) * size_t(columns));
    length.reserve(start.capacity());
    const qint64 end = qint64(d->text.size());
    for (int row = 1; row <= d->rows; ++row) {
        for (int col = 1; col <= columns; ++col) {
            const bool kept = col <= d->columns;
            const qint64 i = kept ? d->index(col, row) : -1;
            start.push_back(kept ? d->start[i] : end);
            length.push_back(kept ? d->length[i] : 0);
        }
        for (int col = columns + 1; col <= d->columns; ++col) {
            const qint64 i = d->index(col, row);
            if (Impl::borrowed(d->start[i]))
                --d->borrowedCells;
            d->garbage += d->ownLength(i);
        }
    }
    d->start.swap(start);
    d->length.swap(length);
    d->columns = columns;
    const size_t kept = d->widths.size();
    d->widths.resize(size_t(columns));
    for (size_t c = kept; c < d->widths.size(); ++c)
        d->widths[c].width = c == 0 ? kFirstColumnTwips : kOtherColumnTwips;
    d->resetWidths();
    ++d->generation;
    d->pending.reset = true;
    d->changed();
}

int GridModel::rowCount() const
{
    return d->rows;
}

void GridModel::setRowCount(int rows)
{
    rows = std::max(rows, 0);
    if (rows == d->rows)
        return;
    if (rows > d->rows) {
        d->addEmptyCells(qint64(rows - d->rows) * d->columns);
        d->rows = rows;
        d->changed();
        return;
    }
    if (rows == 0) {
        d->recallLoans();
        d->borrowedCells = 0;
        GrowingArray<char16_t>().swap(d->text);
        GrowingArray<qint64>().swap(d->start);
        GrowingArray<quint32>().swap(d->length);
        ColorList().swap(d->fore);
        ColorList().swap(d->back);
        GrowingArray<StyleRun>().swap(d->styles);
        d->lentUpTo = 0;
        d->garbage = 0;
        for (Column& c : d->widths)
            c = Column{c.width, 0, false, {}, -1, 0, {}};
    } else {
        const size_t kept = size_t(rows) * size_t(d->columns);
        for (size_t i = kept; i < d->length.size(); ++i) {
            if (Impl::borrowed(d->start[i]))
                --d->borrowedCells;
            d->garbage += d->ownLength(qint64(i));
        }
        d->start.resize(kept);
        d->length.resize(kept);
        dropRowsFrom(d->fore, rows + 1);
        dropRowsFrom(d->back, rows + 1);
        d->dropStylesFrom(qint64(kept), 0);
        d->resetWidths();
    }
    d->rows = rows;
    ++d->generation;
    d->pending.reset = true;
    d->compactIfWasteful();
    d->changed();
}

QStringView GridModel::text(int col, int row) const
{
    if (!d->valid(col, row))
        return {};
    return d->cell(d->index(col, row));
}

void GridModel::setText(int col, int row, QStringView text)
{
    if (!d->valid(col, row))
        return;
    if (d->aliases(text)) {
        const QString copy = text.toString();
        setText(col, row, copy);
        return;
    }
    const qint64 i = d->index(col, row);
    const QStringView old = d->cell(i);
    if (old == text)
        return;
    // A replaced text may be narrower than the one measured before.
    if (!old.isEmpty()) {
        d->widths[col - 1].needFull = true;
        d->widths[col - 1].dirty.clear();
        ++d->generation;
    }
    const qint64 lent = d->lender ? d->lender->offsetOf(text) : -1;
    if (lent >= 0)
        d->lend(i, text, lent);
    else
        d->put(i, text);
    d->written(col, row, i);
    d->compactIfWasteful();
}

void GridModel::appendText(int col, int row, QStringView text)
{
    if (!d->valid(col, row) || text.isEmpty())
        return;
    if (d->aliases(text)) {
        const QString copy = text.toString();
        appendText(col, row, copy);
        return;
    }
    const qint64 i = d->index(col, row);
    d->append(i, text);
    d->written(col, row, i);
    d->compactIfWasteful();
}

void GridModel::truncateText(int col, int row, qsizetype length)
{
    if (!d->valid(col, row) || length < 0)
        return;
    const qint64 i = d->index(col, row);
    const qint64 old = d->length[i];
    if (length >= old)
        return;
    if (Impl::borrowed(d->start[i])) {
        d->length[i] = quint32(length);
    } else {
        // The buffer shrinks only where no borrower reads.
        if (d->atEnd(i) && d->start[i] + length >= d->lentUpTo)
            d->text.resize(size_t(d->start[i] + length));
        else
            d->garbage += old - length;
        d->length[i] = quint32(length);
    }
    d->dropStylesFrom(i, qsizetype(length));
    ++d->generation;
    Column& c = d->widths[col - 1];
    if (c.tailCell == i)
        c.tailCell = -1;  // measured afresh once, when next asked
    d->written(col, row, i);
}

void GridModel::setStyleFrom(int col, int row, qsizetype offset, const TextStyle& style)
{
    if (!d->valid(col, row) || offset < 0)
        return;
    const qint64 i = d->index(col, row);
    auto& runs = d->styles;
    if (!runs.empty() && runs[runs.size() - 1].cell > i)
        d->dropStylesFrom(i, offset);  // a cell written out of order starts afresh from there
    if (!runs.empty() && runs[runs.size() - 1].cell == i && runs[runs.size() - 1].offset == offset)
        runs.resize(runs.size() - 1);  // nothing was drawn in the style it replaces
    const bool first = runs.empty() || runs[runs.size() - 1].cell != i;
    const TextStyle current = first ? TextStyle() : runs[runs.size() - 1].style;
    if (style == current)
        return;
    runs.push_back({i, offset, style});
    d->rowChanged(row);
}

GridModel::StyleRuns GridModel::styleRuns(int col, int row) const
{
    if (!d->valid(col, row) || d->styles.empty())
        return {};
    const qint64 i = d->index(col, row);
    size_t from = d->firstStyleOf(i);
    size_t to = from;
    while (to < d->styles.size() && d->styles[to].cell == i)
        ++to;
    return {d->styles.data() + from, d->styles.data() + to};
}

void GridModel::dropOldestRows(int count)
{
    count = std::clamp(count, 0, d->rows);
    if (count == 0)
        return;
    const qint64 cells = qint64(count) * d->columns;
    for (qint64 i = 0; i < cells; ++i) {
        if (Impl::borrowed(d->start[i]))
            --d->borrowedCells;
        else
            d->garbage += d->length[i];
    }
    dropFront(d->start, size_t(cells));
    dropFront(d->length, size_t(cells));
    dropRowsBefore(d->fore, count);
    dropRowsBefore(d->back, count);
    d->fore.shrink();
    d->back.shrink();
    d->dropStylesBefore(cells);
    d->styles.shrink();
    for (Column& c : d->widths)
        d->shiftColumn(c, cells);
    d->rows -= count;
    d->activeRow = std::max(d->activeRow - count, 0);
    ++d->generation;
    d->pending.reset = true;
    // Packed at once: a drop is made to give memory back.
    if (d->garbage > 0)
        d->compact();
    d->changed();
}

qint64 GridModel::memoryUse() const
{
    return qint64(d->text.capacity()) * qint64(sizeof(char16_t)) +
           qint64(d->start.capacity()) * qint64(sizeof(qint64)) +
           qint64(d->length.capacity()) * qint64(sizeof(quint32)) +
           qint64(d->fore.capacity() + d->back.capacity()) * qint64(sizeof(ColorEntry)) +
           qint64(d->styles.capacity()) * qint64(sizeof(StyleRun));
}

void GridModel::setRowForeColor(int row, qint32 bgr)
{
    if (row < 1 || row > d->rows)
        return;
    setRowColor(d->fore, row, bgr);
    d->rowChanged(row);
}

void GridModel::setRowBackColor(int row, qint32 bgr)
{
    if (row < 1 || row > d->rows)
        return;
    setRowColor(d->back, row, bgr);
    d->rowChanged(row);
}

std::optional<qint32> GridModel::rowForeColor(int row) const
{
    return rowColor(d->fore, row);
}

std::optional<qint32> GridModel::rowBackColor(int row) const
{
    return rowColor(d->back, row);
}

void GridModel::setFont(const FontSpec& font)
{
    if (font == d->font)
        return;
    d->font = font;
    d->resetWidths();
    d->pending.fontChanged = true;
    d->changed();
}

const FontSpec& GridModel::font() const
{
    return d->font;
}

double GridModel::maxTextWidth(int col)
{
    if (!d->validCol(col) || !d->measurer)
        return 0;
    Column& c = d->widths[col - 1];
    if (c.needFull)
        d->measureAll(col);
    else
        d->foldDirty(c);
    return c.widest;
}

void GridModel::setColumnWidth(int col, double twips)
{
    if (!d->validCol(col) || !std::isfinite(twips))
        return;
    twips = std::max(twips, 0.0);
    if (d->widths[col - 1].width == twips)
        return;
    d->widths[col - 1].width = twips;
    d->pending.widthsChanged = true;
    d->changed();
}

double GridModel::columnWidth(int col) const
{
    return d->validCol(col) ? d->widths[col - 1].width : 0.0;
}

void GridModel::setRedraw(bool on)
{
    d->redraw = on;
    if (on)
        d->flush();
}

bool GridModel::redraw() const
{
    return d->redraw;
}

void GridModel::setActiveCell(int col, int row)
{
    d->activeCol = col;
    d->activeRow = row;
    d->pending.activeCellSet = true;
    d->pending.activeCol = col;
    d->pending.activeRow = row;
    d->changed();
}

int GridModel::activeCol() const
{
    return d->activeCol;
}

int GridModel::activeRow() const
{
    return d->activeRow;
}

bool GridModel::isVisible() const
{
    return d->visible;
}

void GridModel::setVisible(bool visible)
{
    if (visible == d->visible)
        return;
    d->visible = visible;
    if (d->observer)
        d->observer->gridVisibilityChanged(visible);
}

quint64 GridModel::contentGeneration() const
{
    return d->generation;
}
