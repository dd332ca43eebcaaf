#include "common/Cp932.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/Cp932Table.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace Cp932 {
namespace {

using namespace Table;

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint16_t kNoCode = 0xFFFF;  // no byte sequence is 0xFFFF
constexpr char kQuestionMark = '?';

inline char16_t pairChar(unsigned row, unsigned char trail)
{
    return trail < kFirstTrail ? kNotATrail : kDouble[row][trail - kFirstTrail];
}

// Eight ASCII bytes at a time: most board traffic outside Japanese text.
inline bool eightAscii(const unsigned char* p)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0;
}

// --- 64 bytes at a time -----------------------------------------------------
// Which bytes start a character is found for 64 bytes at once with bit masks,
// so the loop that writes the characters has no branch on the kind of byte:
// in mixed Japanese and ASCII text such branches are mispredicted at nearly
// every change of script.

constexpr std::uint64_t kEvenBits = 0x5555555555555555ULL;

// The character that starts at a byte b followed by `next`, as one lookup:
// chars[place[b] + (next & nextMask[b])]. A lead byte's row holds its pairs,
// and its single meaning where `next` is no trail; every other byte ignores
// `next` and reads its single meaning. Within 64 bytes, a lead byte that
// starts a character is a pair exactly when a trail follows it (see
// pairStarts), so the lookup needs nothing else.
struct StartTable {
    std::uint16_t place[256];
    unsigned char nextMask[256];
    char16_t chars[(kLeadCount + 1) * 256];  // lead rows, then one row of singles
};

StartTable buildStartTable()
{
    StartTable t{};
    constexpr int kSingles = kLeadCount * 256;
    for (int b = 0; b < 256; ++b) {
        const unsigned row = kLeadRow[b];
        t.chars[kSingles + b] = kSingle[b];
        if (row == kNotLead) {
            t.place[b] = std::uint16_t(kSingles + b);
            t.nextMask[b] = 0;
            continue;
        }
        t.place[b] = std::uint16_t(row * 256);
        t.nextMask[b] = 0xFF;
        for (int next = 0; next < 256; ++next) {
            const char16_t pair = pairChar(row, (unsigned char)next);
            t.chars[row * 256 + next] = pair == kNotATrail ? kSingle[b] : pair;
        }
    }
    return t;
}

const StartTable& startTable()
{
    static const StartTable table = buildStartTable();
    return table;
}

// The lead and trail ranges of code page 932, as kLeadRow and kDouble have
// them (checked by the decoder's tests, which compare with the byte-at-a-time
// path over random bytes).
inline bool isLead(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

inline bool isTrail(unsigned char b)
{
    return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}

struct ByteMasks {
    std::uint64_t lead = 0;  // bit j: p[j] is in the lead range
    std::uint64_t trail = 0;  // bit j: p[j] may follow a lead
    std::uint64_t high = 0;  // bit j: p[j] is not ASCII
};

#if defined(__SSE2__)
// Bytes of v in [lo, hi], compared as signed bytes after flipping the top bit.
inline __m128i inRange(__m128i flipped, unsigned lo, unsigned hi)
{
    const __m128i below = _mm_set1_epi8(char((lo - 1) ^ 0x80));
    const __m128i above = _mm_set1_epi8(char((hi + 1) ^ 0x80));
    return _mm_and_si128(_mm_cmpgt_epi8(flipped, below), _mm_cmpgt_epi8(above, flipped));
}
#endif

ByteMasks masksOf(const unsigned char* p)
{
    ByteMasks m;
#if defined(__SSE2__)
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
        const __m128i f = _mm_xor_si128(v, _mm_set1_epi8(char(0x80)));
        const __m128i lead = _mm_or_si128(inRange(f, 0x81, 0x9F), inRange(f, 0xE0, 0xFC));
        const __m128i trail = _mm_or_si128(inRange(f, 0x40, 0x7E), inRange(f, 0x80, 0xFC));
        const int shift = 16 * k;
        m.lead |= std::uint64_t(unsigned(_mm_movemask_epi8(lead))) << shift;
        m.trail |= std::uint64_t(unsigned(_mm_movemask_epi8(trail))) << shift;
        m.high |= std::uint64_t(unsigned(_mm_movemask_epi8(v))) << shift;
    }
#else
    for (int j = 0; j < 64; ++j) {
        m.lead |= std::uint64_t(isLead(p[j])) << j;
        m.trail |= std::uint64_t(isTrail(p[j])) << j;
        m.high |= std::uint64_t(p[j] >> 7) << j;
    }
#endif
    return m;
}

// The double-byte characters' first bytes among 64, given whether byte 0 is
// the trail of a character begun before. Inside a run of lead-range bytes
// (each of which may also be a trail) leads and trails alternate from the
// run's first character; adding a run's first bit to the lead mask carries
// through the run and so picks out its bytes.
std::uint64_t pairStarts(const ByteMasks& m, bool firstTaken, bool nextIsTrail)
{
    const std::uint64_t lead = m.lead;
    const std::uint64_t runStarts = lead & ~(lead << 1);
    std::uint64_t evenStarts = runStarts & kEvenBits;
    if (firstTaken)
        evenStarts &= ~std::uint64_t(1);  // that run's leads sit at odd bits
    const std::uint64_t evenRuns = lead & ~(lead + evenStarts);
    const std::uint64_t oddRuns = lead & ~evenRuns;
    const std::uint64_t leads = (evenRuns & kEvenBits) | (oddRuns & ~kEvenBits);
    const std::uint64_t followedByTrail = (m.trail >> 1) | (std::uint64_t(nextIsTrail) << 63);
    return leads & followedByTrail;
}

// Decodes the characters that begin in p[0..64); p[64] must be readable.
// `firstTaken` says on entry whether p[0] was taken as a trail already, and
// on return whether p[64] is.
char16_t* decodeBlock(const unsigned char* p, bool& firstTaken, char16_t* dst)
{
    const ByteMasks m = masksOf(p);
    if (m.high == 0 && !firstTaken) {
        for (int j = 0; j < 64; ++j)
            dst[j] = p[j];
        return dst + 64;
    }
    const std::uint64_t pairs = pairStarts(m, firstTaken, isTrail(p[64]));
    std::uint64_t starts = ~((pairs << 1) | std::uint64_t(firstTaken));
    firstTaken = (pairs >> 63) != 0;
    const StartTable& t = startTable();
    while (starts != 0) {
        const int j = std::countr_zero(starts);
        starts &= starts - 1;
        const unsigned char b = p[j];
        *dst++ = t.chars[t.place[b] + (p[j + 1] & t.nextMask[b])];
    }
    return dst;
}

// Decodes p[i..n) into dst; a lead byte in the last position goes to
// `pending`. Returns the new end of the output.
char16_t* decodeRun(const unsigned char* p, qsizetype i, qsizetype n, char16_t* dst, int& pending)
{
    // Whole blocks while a byte beyond them is there to look at.
    bool taken = false;
    for (; i + 64 < n; i += 64)
        dst = decodeBlock(p + i, taken, dst);
    i += taken ? 1 : 0;
    while (i < n) {
        if (i + 8 <= n && eightAscii(p + i)) {
            for (int k = 0; k < 8; ++k)
                dst[k] = p[i + k];
            dst += 8;
            i += 8;
            continue;
        }
        const unsigned char b = p[i];
        if (b < 0x80) {
            *dst++ = b;
            ++i;
            continue;
        }
        const unsigned row = kLeadRow[b];
        if (row == kNotLead) {
            *dst++ = kSingle[b];
            ++i;
            continue;
        }
        if (i + 1 == n) {
            pending = b;
            return dst;
        }
        const char16_t c = pairChar(row, p[i + 1]);
        if (c == kNotATrail) {
            // The next byte is read afresh, so a CR after a stray lead survives.
            *dst++ = kReplacement;
            ++i;
            continue;
        }
        *dst++ = c;
        i += 2;
    }
    return dst;
}

std::vector<std::uint16_t> buildEncodeTable()
{
    std::vector<std::uint16_t> table(0x10000, kNoCode);
    std::vector<bool> notPreferred(0x10000, false);
    for (int k = 0; k < kNotPreferredCount; ++k)
        notPreferred[kNotPreferred[k]] = true;
    for (int b = 0; b < 256; ++b) {
        if (kLeadRow[b] == kNotLead && kSingle[b] != kReplacement)
            table[kSingle[b]] = std::uint16_t(b);
    }
    for (int lead = 0; lead < 256; ++lead) {
        const unsigned row = kLeadRow[lead];
        if (row == kNotLead)
            continue;
        for (int col = 0; col < kTrailColumns; ++col) {
            const char16_t c = kDouble[row][col];
            const int code = lead * 256 + kFirstTrail + col;
            if (c != kReplacement && c != kNotATrail && !notPreferred[code] && table[c] == kNoCode)
                table[c] = std::uint16_t(code);
        }
    }
    for (int k = 0; k < kOneWayCount; ++k)
        table[kOneWay[k].ch] = kOneWay[k].code;
    return table;
}

const std::uint16_t* encodeTable()
{
    static const std::vector<std::uint16_t> table = buildEncodeTable();
    return table.data();
}

}  // namespace

void Decoder::decode(QByteArrayView bytes, QString& out)
{
    const qsizetype n = bytes.size();
    if (n == 0)
        return;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const qsizetype start = out.size();
    // At most one unit per byte, plus one for a held lead that the first byte
    // does not complete.
    out.resize(start + n + 1);
    char16_t* const base = reinterpret_cast<char16_t*>(out.data());
    char16_t* dst = base + start;
    qsizetype i = 0;
    if (pending_ >= 0) {
        const char16_t c = pairChar(kLeadRow[pending_], p[0]);
        pending_ = -1;
        if (c == kNotATrail) {
            *dst++ = kReplacement;
        } else {
            *dst++ = c;
            i = 1;
        }
    }
    dst = decodeRun(p, i, n, dst, pending_);
    out.resize(dst - base);
}

QString Decoder::decode(QByteArrayView bytes)
{
    QString out;
    decode(bytes, out);
    return out;
}

void Decoder::finish(QString& out)
{
    if (pending_ >= 0)
        out.append(QChar(kReplacement));
    pending_ = -1;
}

Encoded encode(QStringView text)
{
    const std::uint16_t* table = encodeTable();
    Encoded result;
    result.bytes.resize(text.size() * 2);
    char* const base = result.bytes.data();
    char* dst = base;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        const std::uint16_t code = table[c];
        if (code == kNoCode) {
            // A surrogate pair is one character, so it becomes one "?".
            if (QChar::isHighSurrogate(c) && i + 1 < n && text[i + 1].isLowSurrogate())
                ++i;
            *dst++ = kQuestionMark;
            result.exact = false;
        } else if (code > 0xFF) {
            *dst++ = char(code >> 8);
            *dst++ = char(code & 0xFF);
        } else {
            *dst++ = char(code);
        }
    }
    result.bytes.resize(dst - base);
    return result;
}

int codeOf(char16_t ch)
{
    const std::uint16_t code = encodeTable()[ch];
    return code == kNoCode ? -1 : int(code);
}

}  // namespace Cp932
