#include "controls/FoldedMatcher.h"

#include "controls/SearchFolding.h"

#include "common/CharScan.h"

#include <type_traits>

namespace {

// The first unit at or after `from` equal to one of the N keys, or n: the
// history is read at memory speed, a vector of units per step.
template <int N> qsizetype scan(const char16_t* p, qsizetype from, qsizetype n, const char16_t* keys)
{
#if defined(__SSE2__)
    CharScan::Lanes lanes[N];
    for (int k = 0; k < N; ++k)
        lanes[k] = _mm_set1_epi16(short(keys[k]));
#endif
    const auto wanted = [&](auto x) {
        if constexpr (std::is_same_v<decltype(x), char16_t>) {
            for (int k = 0; k < N; ++k) {
                if (x == keys[k])
                    return true;
            }
            return false;
#if defined(__SSE2__)
        } else {
            CharScan::Lanes hit = _mm_cmpeq_epi16(x, lanes[0]);
            for (int k = 1; k < N; ++k)
                hit = _mm_or_si128(hit, _mm_cmpeq_epi16(x, lanes[k]));
            return hit;
#endif
        }
    };
    return CharScan::findFirst(p, from, n, wanted);
}

}  // namespace

FoldedMatcher::FoldedMatcher() : folding_(&SearchFolding::forOptions(FindOptions{})) {}

FoldedMatcher::FoldedMatcher(QStringView query, const FindOptions& options)
    : folding_(&SearchFolding::forOptions(options)), folded_(folding_->fold(query))
{
    if (folded_.empty())
        return;
    int found = 0;
    for (quint32 c = 0; c < 0x10000; ++c) {
        if (SearchFolding::firstOf(folding_->entry(char16_t(c))) != folded_[0])
            continue;
        if (found < kMaxVariants)
            variants_[found] = char16_t(c);
        ++found;
    }
    if (found > kMaxVariants || found == 0) {
        variantCount_ = 0;  // looked up through the table
        return;
    }
    // Padded to the next size the vector scan is built for.
    variantCount_ = found <= 1 ? 1 : found <= 2 ? 2 : found <= 4 ? 4 : 8;
    for (int k = found; k < variantCount_; ++k)
        variants_[k] = variants_[0];
}

qsizetype FoldedMatcher::nextCandidate(const char16_t* p, qsizetype from, qsizetype n) const
{
    switch (variantCount_) {
    case 1:
        return scan<1>(p, from, n, variants_.data());
    case 2:
        return scan<2>(p, from, n, variants_.data());
    case 4:
        return scan<4>(p, from, n, variants_.data());
    case 8:
        return scan<8>(p, from, n, variants_.data());
    default:
        break;
    }
    const char16_t first = folded_[0];
    for (qsizetype i = from; i < n; ++i)
        if (SearchFolding::firstOf(folding_->entry(p[i])) == first)
            return i;
    return n;
}

qsizetype FoldedMatcher::matchAt(const char16_t* p, qsizetype at, qsizetype n) const
{
    const size_t q = folded_.size();
    size_t k = 0;
    qsizetype i = at;
    while (k < q) {
        if (i >= n)
            return 0;
        const quint32 e = folding_->entry(p[i++]);
        if (SearchFolding::firstOf(e) != folded_[k++])
            return 0;
        const char16_t second = SearchFolding::secondOf(e);
        if (second && (k >= q || second != folded_[k++]))
            return 0;  // the query ends inside this unit (カ against ガ)
    }
    // A kana followed by its voicing mark is one letter: カ does not match ｶﾞ.
    if (folding_->foldsWidth() && i < n &&
        SearchFolding::isVoicingMark(SearchFolding::firstOf(folding_->entry(p[i]))))
        return 0;
    return i - at;
}

FoldedMatcher::Span FoldedMatcher::findIn(QStringView text, qsizetype from) const
{
    Span out;
    forEachIn(text, [&](Span s) {
        if (s.start < from)
            return true;
        out = s;
        return false;
    });
    return out;
}

FoldedMatcher::Span FoldedMatcher::findLastIn(QStringView text, qsizetype before) const
{
    Span out;
    forEachIn(text, [&](Span s) {
        if (s.start >= before)
            return false;
        out = s;
        return true;
    });
    return out;
}

qint64 FoldedMatcher::countIn(QStringView text) const
{
    qint64 count = 0;
    forEachIn(text, [&](Span) {
        ++count;
        return true;
    });
    return count;
}
