#include "main/StopCharacters.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

StopCharacters StopCharacters::everyCharacter()
{
    StopCharacters stops;
    stops.everywhere_ = true;
    return stops;
}

void StopCharacters::add(char16_t c)
{
    if (everywhere_ || contains(c))
        return;
    if (count_ == kCapacity) {
        everywhere_ = true;
        return;
    }
    chars_[size_t(count_++)] = c;
}

bool StopCharacters::contains(char16_t c) const
{
    if (everywhere_ || c == u'\r' || c == u'\n')
        return true;
    for (int k = 0; k < count_; ++k)
        if (chars_[size_t(k)] == c)
            return true;
    return false;
}

#if defined(__SSE2__)
namespace {
// The first of CR, LF and set[0..Count) in chars[i..n), eight characters at
// a time; stops short of the last incomplete eight, which it returns.
template <int Count>
qsizetype findEights(const char16_t* chars, qsizetype i, qsizetype n, const char16_t* set)
{
    const __m128i cr = _mm_set1_epi16(u'\r'), lf = _mm_set1_epi16(u'\n');
    __m128i wanted[Count];
    for (int k = 0; k < Count; ++k)
        wanted[k] = _mm_set1_epi16(short(set[k]));
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        __m128i hit = _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf));
        for (const __m128i& w : wanted)
            hit = _mm_or_si128(hit, _mm_cmpeq_epi16(v, w));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + std::countr_zero(unsigned(mask)) / 2;
    }
    return i;
}
}  // namespace
#endif

// Most sets hold one or two characters (a prompt's closing one and perhaps a
// word's last), so those compare with fewer.
qsizetype StopCharacters::find(const char16_t* chars, qsizetype i, qsizetype n) const
{
    if (everywhere_)
        return i;
#if defined(__SSE2__)
    i = count_ <= 2 ? findEights<2>(chars, i, n, chars_.data())
                    : findEights<kCapacity>(chars, i, n, chars_.data());
    if (i + 8 <= n)
        return i;
#endif
    while (i < n && !contains(chars[i]))
        ++i;
    return i;
}
