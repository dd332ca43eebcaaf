#include "common/TextHelpers.h"

#include <cmath>

namespace TextHelpers {

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
