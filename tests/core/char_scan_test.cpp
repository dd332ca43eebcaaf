// The shared character scan: the first wanted character is found wherever
// it stands, in the eight-at-a-time part, in the tail or nowhere, from any
// start.

#include <gtest/gtest.h>

#include <string>

#include "common/CharScan.h"

namespace {

// Wants '#' only; the vector answer is built the way the real ones are.
struct Hash {
    bool operator()(char16_t c) const { return c == u'#'; }
#if defined(__SSE2__)
    CharScan::Lanes operator()(CharScan::Lanes v) const
    {
        return _mm_cmpeq_epi16(v, _mm_set1_epi16(u'#'));
    }
#endif
};

qsizetype scan(const std::u16string& text, qsizetype from)
{
    return CharScan::findFirst(text.data(), from, qsizetype(text.size()), Hash{});
}

TEST(CharScanTest, FindsTheFirstWantedCharacterAfterTheStart)
{
    // Every length up to three blocks of eight and a tail, every start, one
    // wanted character at every place (and another three further on) or
    // none: the answer is the plain search's.
    for (qsizetype n = 0; n <= 27; ++n) {
        for (qsizetype at = -1; at < n; ++at) {
            std::u16string text(size_t(n), u'a');
            if (at >= 0)
                text[size_t(at)] = u'#';
            if (at >= 0 && at + 3 < n)
                text[size_t(at + 3)] = u'#';
            for (qsizetype from = 0; from <= n; ++from) {
                const size_t plain = text.find(u'#', size_t(from));
                const qsizetype expected = plain == std::u16string::npos ? n : qsizetype(plain);
                EXPECT_EQ(scan(text, from), expected) << "n " << n << " at " << at << " from " << from;
            }
        }
    }
}

}  // namespace
