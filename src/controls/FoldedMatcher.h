#pragma once

#include <QStringView>
#include <QtGlobal>

#include <array>
#include <string>
#include <string_view>

#include "controls/FindOptions.h"

class SearchFolding;

// One find query, folded once, matched against texts without copying or
// folding them first: the units that can begin a match are looked for with
// vector compares, and each candidate is checked unit by unit through the
// folding table. Matches in one text are taken left to right without
// overlap.
class FoldedMatcher {
public:
    struct Span {
        qsizetype start = -1;
        qsizetype length = 0;
        bool found() const { return start >= 0; }
    };

    FoldedMatcher();
    FoldedMatcher(QStringView query, const FindOptions& options);

    // An empty query (or one that folds to nothing) matches nowhere.
    bool isEmpty() const { return folded_.empty(); }
    // The query as folded for its options.
    std::u16string_view folded() const { return folded_; }

    // The first match that starts at or after `from`.
    Span findIn(QStringView text, qsizetype from = 0) const;
    // The last match that starts before `before`.
    Span findLastIn(QStringView text, qsizetype before) const;
    qint64 countIn(QStringView text) const;

    // Calls f(Span) for each match, left to right, until f returns false.
    template <typename F> void forEachIn(QStringView text, F&& f) const
    {
        const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
        const qsizetype n = text.size();
        qsizetype at = 0;
        while (!isEmpty() && (at = nextCandidate(p, at, n)) < n) {
            const qsizetype length = matchAt(p, at, n);
            if (length == 0) {
                ++at;
                continue;
            }
            if (!f(Span{at, length}))
                return;
            at += length;
        }
    }

    // The same for cells whose texts lie one after another in memory, read
    // as one text: cell k ends at cellEnds[k] in `joined`, and the last end
    // is the end of `joined`. Calls f(k, Span in `joined`) for each match;
    // a match never spans two cells.
    template <typename F> void forEachInCells(QStringView joined, const qsizetype* cellEnds, F&& f) const
    {
        const char16_t* p = reinterpret_cast<const char16_t*>(joined.utf16());
        const qsizetype n = joined.size();
        size_t cell = 0;
        qsizetype at = 0;
        while (!isEmpty() && (at = nextCandidate(p, at, n)) < n) {
            while (cellEnds[cell] <= at)
                ++cell;
            const qsizetype length = matchAt(p, at, cellEnds[cell]);
            if (length == 0) {
                ++at;
                continue;
            }
            if (!f(cell, Span{at, length}))
                return;
            at += length;
        }
    }

private:
    // Text units whose folded form begins with the query's first unit; more
    // than fit here are found through the table instead.
    static constexpr int kMaxVariants = 8;

    qsizetype nextCandidate(const char16_t* p, qsizetype from, qsizetype n) const;
    // The length in text units of the match at p[at], or 0.
    qsizetype matchAt(const char16_t* p, qsizetype at, qsizetype n) const;

    const SearchFolding* folding_;
    std::u16string folded_;
    std::array<char16_t, kMaxVariants> variants_{};
    int variantCount_ = 0;
};
