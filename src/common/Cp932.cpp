#include "common/Cp932.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "common/Cp932Table.h"

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

// Decodes p[i..n) into dst; a lead byte in the last position goes to
// `pending`. Returns the new end of the output.
char16_t* decodeRun(const unsigned char* p, qsizetype i, qsizetype n, char16_t* dst, int& pending)
{
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
