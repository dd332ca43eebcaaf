#include "common/TextHelpers.h"

#include <cmath>

#include "common/CharScan.h"

namespace {
struct Equal {
    char16_t wanted;
    bool operator()(char16_t c) const { return c == wanted; }
#if defined(__SSE2__)
    CharScan::Lanes operator()(CharScan::Lanes v) const
    {
        return _mm_cmpeq_epi16(v, _mm_set1_epi16(short(wanted)));
    }
#endif
};
}  // namespace

namespace TextHelpers {

qsizetype indexOf(QStringView text, char16_t c)
{
    const qsizetype at = CharScan::findFirst(text.utf16(), 0, text.size(), Equal{c});
    return at < text.size() ? at : -1;
}

bool contains(QStringView text, QStringView part)
{
    // Past this length a part is left to Qt's search, whose cost does not
    // grow with the part's length.
    constexpr qsizetype kShortPart = 16;
    if (part.size() > kShortPart)
        return text.contains(part);
    if (part.isEmpty())
        return true;
    const qsizetype lastStart = text.size() - part.size();
    const QStringView rest = part.sliced(1);
    const Equal first{part.front().unicode()};
    for (qsizetype i = 0; i <= lastStart; ++i) {
        i = CharScan::findFirst(text.utf16(), i, lastStart + 1, first);
        if (i > lastStart)
            return false;
        if (text.sliced(i + 1, rest.size()) == rest)
            return true;
    }
    return false;
}

QStringView trimSpaces(QStringView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text[begin] == u' ')
        ++begin;
    while (end > begin && text[end - 1] == u' ')
        --end;
    return text.sliced(begin, end - begin);
}

qint64 roundHalfEven(double value)
{
    constexpr double kLimit = 9223372036854775808.0;  // 2^63
    if (std::isnan(value))
        return 0;
    if (value >= kLimit)
        return std::numeric_limits<qint64>::max();
    if (value < -kLimit)
        return std::numeric_limits<qint64>::min();
    const double floor = std::floor(value);
    const double fraction = value - floor;  // exact for every double
    qint64 whole = qint64(floor);
    if (fraction > 0.5 || (fraction == 0.5 && (whole & 1) != 0))
        ++whole;
    return whole;
}

}  // namespace TextHelpers
