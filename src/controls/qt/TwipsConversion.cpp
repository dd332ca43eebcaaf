#include "controls/qt/TwipsConversion.h"

#include <cmath>
#include <limits>

namespace Twips {

double toPxF(double twips, double logicalDpi)
{
    return twips * logicalDpi / kPerInch;
}

int toPx(double twips, double logicalDpi)
{
    const double px = std::round(toPxF(twips, logicalDpi));
    if (std::isnan(px))
        return 0;
    if (!(px > std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    if (px >= std::numeric_limits<int>::max())
        return std::numeric_limits<int>::max();
    return int(px);
}

double fromPx(double px, double logicalDpi)
{
    return logicalDpi > 0 ? px * kPerInch / logicalDpi : 0.0;
}

}  // namespace Twips
