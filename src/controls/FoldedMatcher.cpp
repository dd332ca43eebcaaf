#include "controls/FoldedMatcher.h"

#include "controls/SearchFolding.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZKT_VECTOR_SCAN 1
#endif

namespace {

qsizetype scanTail(const char16_t* p, qsizetype from, qsizetype n, const char16_t* keys, int count)
{
    for (qsizetype i = from; i < n; ++i)
        for (int k = 0; k < count; ++k)
            if (p[i] == keys[k])
                return i;
    return n;
}

#ifdef ZKT_VECTOR_SCAN

// The first unit at or after `from` equal to one of the N keys, or n. The
// history is read at memory speed: 16 units per step with AVX2, 8 without.
template <int N>
__attribute__((target("avx2"))) qsizetype scanAvx2(const char16_t* p, qsizetype from, qsizetype n,
                                                   const char16_t* keys)
{
    __m256i key[N];
    for (int k = 0; k < N; ++k)
        key[k] = _mm256_set1_epi16(short(keys[k]));
    qsizetype i = from;
    for (; i + 16 <= n; i += 16) {
        const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
        __m256i hit = _mm256_cmpeq_epi16(x, key[0]);
        for (int k = 1; k < N; ++k)
            hit = _mm256_or_si256(hit, _mm256_cmpeq_epi16(x, key[k]));
        const unsigned mask = unsigned(_mm256_movemask_epi8(hit));
        if (mask)
            return i + __builtin_ctz(mask) / 2;
    }
    if (i == n || n - from < 16)
        return scanTail(p, i, n, keys, N);
    // The last units in one step that overlaps the one before, the units
    // already looked at masked off.
    const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + n - 16));
    __m256i hit = _mm256_cmpeq_epi16(x, key[0]);
    for (int k = 1; k < N; ++k)
        hit = _mm256_or_si256(hit, _mm256_cmpeq_epi16(x, key[k]));
    const unsigned mask = unsigned(_mm256_movemask_epi8(hit)) >> (2 * (16 - (n - i)));
    return mask ? i + __builtin_ctz(mask) / 2 : n;
}

template <int N> qsizetype scanSse2(const char16_t* p, qsizetype from, qsizetype n, const char16_t* keys)
{
    __m128i key[N];
    for (int k = 0; k < N; ++k)
        key[k] = _mm_set1_epi16(short(keys[k]));
    qsizetype i = from;
    for (; i + 8 <= n; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i hit = _mm_cmpeq_epi16(x, key[0]);
        for (int k = 1; k < N; ++k)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi16(x, key[k]));
        const unsigned mask = unsigned(_mm_movemask_epi8(hit));
        if (mask)
            return i + __builtin_ctz(mask) / 2;
    }
    if (i == n || n - from < 8)
        return scanTail(p, i, n, keys, N);
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + n - 8));
    __m128i hit = _mm_cmpeq_epi16(x, key[0]);
    for (int k = 1; k < N; ++k)
        hit = _mm_or_si128(hit, _mm_cmpeq_epi16(x, key[k]));
    const unsigned mask = unsigned(_mm_movemask_epi8(hit)) >> (2 * (8 - (n - i)));
    return mask ? i + __builtin_ctz(mask) / 2 : n;
}

bool hasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

template <int N> qsizetype scan(const char16_t* p, qsizetype from, qsizetype n, const char16_t* keys)
{
    return hasAvx2() ? scanAvx2<N>(p, from, n, keys) : scanSse2<N>(p, from, n, keys);
}

#else

template <int N> qsizetype scan(const char16_t* p, qsizetype from, qsizetype n, const char16_t* keys)
{
    return scanTail(p, from, n, keys, N);
}

#endif

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
