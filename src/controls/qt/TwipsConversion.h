#pragma once

// Twips (1/1440 inch) and device-independent pixels through a screen's
// logical DPI. Qt's coordinates are already device independent, so the
// device pixel ratio never enters.
namespace Twips {

constexpr double kPerInch = 1440.0;

// Nearest whole pixel.
int toPx(double twips, double logicalDpi);
double toPxF(double twips, double logicalDpi);
double fromPx(double px, double logicalDpi);

}  // namespace Twips

inline int twipsToPx(double twips, double logicalDpi)
{
    return Twips::toPx(twips, logicalDpi);
}

inline double pxToTwips(double px, double logicalDpi)
{
    return Twips::fromPx(px, logicalDpi);
}
