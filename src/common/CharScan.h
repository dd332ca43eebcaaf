#pragma once

#include <QtGlobal>

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The scan for the first character of interest in UTF-16 text, eight
// characters at a time where SSE2 is there (every x86-64), one at a time
// elsewhere and for the last few.
namespace CharScan {

#if defined(__SSE2__)
// Eight UTF-16 units; a wanted one is all ones in its lane, any other zero.
using Lanes = __m128i;
#endif

// The first index in [i, n) whose character `wanted` takes, or n. `wanted`
// answers for one char16_t (bool) and, where SSE2 is there, for eight at
// once (Lanes in, Lanes out); both answers must agree.
template <typename Wanted>
qsizetype findFirst(const char16_t* chars, qsizetype i, qsizetype n, const Wanted& wanted)
{
#if defined(__SSE2__)
    for (; i + 8 <= n; i += 8) {
        const Lanes v = _mm_loadu_si128(reinterpret_cast<const Lanes*>(chars + i));
        const int mask = _mm_movemask_epi8(wanted(v));
        if (mask != 0)
            return i + std::countr_zero(unsigned(mask)) / 2;
    }
#endif
    while (i < n && !wanted(chars[i]))
        ++i;
    return i;
}

}  // namespace CharScan
