#include "controls/GridModel.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "controls/GridObserver.h"
#include "controls/GrowingArray.h"

namespace {

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
    const GridModel* owner = nullptr;
    GridObserver* observer = nullptr;
    quint64 generation = 0;
    // Borrowed cells have a negative start: -1 - the offset of their text in
    // the lender's buffer.
    Impl* lender = nullptr;
    std::vector<Impl*> borrowers;
    qint64 borrowedCells = 0;

    bool valid(int col, int row) const { return col >= 1 && col <= columns && row >= 1 && row <= rows; }
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

    enum class Write { Replace, Append };
    void write(int col, int row, QStringView t, Write how);
    // False when the cell holds t already.
    bool replace(qint64 i, QStringView t, GridObserver::CellEdit& edit);
    void reserveFor(qint64 extra);
    void moveToEnd(qint64 i);
    void put(qint64 i, QStringView t);
    void append(qint64 i, QStringView t);
    void addEmptyCells(qint64 count);
    void compactIfWasteful();
    void compact();
    void dropStylesBefore(qint64 cells);
    void lend(qint64 i, QStringView t, qint64 offset);
    // Drops the style runs of cell i from `offset` on, and of every later cell.
    void dropStylesFrom(qint64 i, qsizetype offset);
    size_t firstStyleOf(qint64 i) const;
    void takeBorrowedText();
    void recallLoans();
    // Stops borrowing; `keepText` first makes the borrowed texts this grid's own.
    void unlink(bool keepText);

    void cellChanged(int col, int row, GridObserver::CellEdit edit)
    {
        if (observer)
            observer->cellChanged(col, row, edit);
    }
    void rowChanged(int row)
    {
        if (observer)
            observer->rowChanged(row);
    }
    void reset()
    {
        if (observer)
            observer->gridReset();
    }
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

void GridModel::Impl::write(int col, int row, QStringView t, Write how)
{
    if (!valid(col, row) || (how == Write::Append && t.isEmpty()))
        return;
    if (aliases(t)) {  // the write may move the buffer the text lies in
        const QString copy = t.toString();
        write(col, row, copy, how);
        return;
    }
    const qint64 i = index(col, row);
    auto edit = GridObserver::CellEdit::Extended;
    if (how == Write::Append)
        append(i, t);
    else if (!replace(i, t, edit))
        return;
    cellChanged(col, row, edit);
    compactIfWasteful();
}

bool GridModel::Impl::replace(qint64 i, QStringView t, GridObserver::CellEdit& edit)
{
    const QStringView old = cell(i);
    if (old == t)
        return false;
    if (!old.isEmpty()) {
        ++generation;
        edit = GridObserver::CellEdit::Replaced;
    }
    const qint64 lent = lender ? lender->offsetOf(t) : -1;
    if (lent >= 0)
        lend(i, t, lent);
    else
        put(i, t);
    return true;
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

GridModel::GridModel(int columns) : d(new Impl)
{
    d->owner = this;
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

void GridModel::setObserver(GridObserver* observer)
{
    d->observer = observer;
}

int GridModel::columnCount() const
{
    return d->columns;
}

int GridModel::rowCount() const
{
    return d->rows;
}

void GridModel::setColumnCount(int columns)
{
    columns = std::max(columns, 0);
    if (columns == d->columns)
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
    ++d->generation;
    d->reset();
}

void GridModel::setRowCount(int rows)
{
    rows = std::max(rows, 0);
    if (rows == d->rows)
        return;
    if (rows > d->rows) {
        d->addEmptyCells(qint64(rows - d->rows) * d->columns);
        d->rows = rows;
        if (d->observer)
            d->observer->rowsAdded();
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
    }
    d->rows = rows;
    ++d->generation;
    d->compactIfWasteful();
    d->reset();
}

QStringView GridModel::text(int col, int row) const
{
    if (!d->valid(col, row))
        return {};
    return d->cell(d->index(col, row));
}

void GridModel::setText(int col, int row, QStringView text)
{
    d->write(col, row, text, Impl::Write::Replace);
}

void GridModel::appendText(int col, int row, QStringView text)
{
    d->write(col, row, text, Impl::Write::Append);
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
    d->cellChanged(col, row, GridObserver::CellEdit::Cut);
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
    d->rows -= count;
    ++d->generation;
    // Packed at once: a drop is made to give memory back.
    if (d->garbage > 0)
        d->compact();
    if (d->observer)
        d->observer->oldestRowsDropped(count);
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

quint64 GridModel::contentGeneration() const
{
    return d->generation;
}

const GridModel* GridModel::lender() const
{
    return d->lender ? d->lender->owner : nullptr;
}

qsizetype GridModel::borrowedTextOffset(int col, int row, int lenderCol, int lenderRow) const
{
    const Impl* l = d->lender;
    if (!l || !d->valid(col, row) || !l->valid(lenderCol, lenderRow))
        return -1;
    const qint64 i = d->index(col, row);
    const qint64 j = l->index(lenderCol, lenderRow);
    if (!Impl::borrowed(d->start[i]) || Impl::borrowed(l->start[j]))
        return -1;
    const qint64 from = -1 - d->start[i];
    const qint64 at = l->start[j];
    if (at > from || at + l->length[j] != from + d->length[i])
        return -1;
    return qsizetype(from - at);
}
