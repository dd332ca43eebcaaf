#pragma once

#include <QStringView>
#include <QtGlobal>

#include <string>

#include "controls/FindOptions.h"

// The form a find compares characters in, for one set of options: each
// UTF-16 unit folds to one or two units (a voiced katakana such as ガ folds
// to カ followed by the voicing mark, so that ｶﾞ, カ゛ and ガ all fold alike).
// A table lookup per unit, built once per set of options and shared.
class SearchFolding {
public:
    // The folding for `options`, built on first use and kept for the run.
    static const SearchFolding& forOptions(const FindOptions& options);

    // The first folded unit in the low 16 bits, the second (or 0) above.
    quint32 entry(char16_t c) const { return table_[c]; }
    static char16_t firstOf(quint32 entry) { return char16_t(entry & 0xffff); }
    static char16_t secondOf(quint32 entry) { return char16_t(entry >> 16); }
    // The folded form of a whole text (the query).
    std::u16string fold(QStringView text) const;
    // Whether a folded unit is a voicing mark, which belongs to the kana
    // before it: a match may not end between the two.
    static bool isVoicingMark(char16_t folded) { return folded == 0x3099 || folded == 0x309A; }
    bool foldsWidth() const { return foldsWidth_; }

private:
    explicit SearchFolding(const FindOptions& options);
    quint32 table_[0x10000];
    bool foldsWidth_;
};
