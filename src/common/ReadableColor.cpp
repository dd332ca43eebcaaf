#include "common/ReadableColor.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

namespace ReadableColor {
namespace {

using Components = std::array<int, 3>;

Components components(qint32 colour)
{
    return {colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF};
}

qint32 packed(const Components& c)
{
    return qint32(c[0] | (c[1] << 8) | (c[2] << 16));
}

// Every chat row asks for its colour, so the 256 linear values are worked
// out once.
double linear(int component)
{
    static const std::array<double, 256> table = [] {
        std::array<double, 256> values{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            values[size_t(i)] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return values;
    }();
    return table[size_t(component & 0xFF)];
}

// The colour `step` steps of 255 along the way from `colour` towards black
// (every component scaled by the same factor, which keeps the hue).
qint32 darkened(const Components& c, int step)
{
    const int top = std::max({c[0], c[1], c[2]});
    if (top == 0)
        return 0;
    const int kept = top - (top * step + 127) / 255;
    Components out;
    for (int i = 0; i < 3; ++i)
        out[i] = int(std::lround(double(c[i]) * kept / top));
    return packed(out);
}

// The same towards white: each component moves the same share of its way.
qint32 lightened(const Components& c, int step)
{
    Components out;
    for (int i = 0; i < 3; ++i)
        out[i] = c[i] + int(std::lround(double(255 - c[i]) * step / 255));
    return packed(out);
}

// The fewest steps (0 to 255) whose colour reaches the minimum contrast. The
// contrast only grows with the step, so a binary search finds it; 255 (black
// or white) when nothing less will do.
qint32 fewestSteps(const std::function<qint32(int)>& at, qint32 background)
{
    int low = 0;
    int high = 255;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (contrast(at(middle), background) >= kMinimumContrast)
            high = middle;
        else
            low = middle + 1;
    }
    return at(low);
}

}  // namespace

double relativeLuminance(qint32 colour)
{
    const Components c = components(colour);
    return 0.2126 * linear(c[0]) + 0.7152 * linear(c[1]) + 0.0722 * linear(c[2]);
}

double contrast(qint32 a, qint32 b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

qint32 adjusted(qint32 colour, qint32 background)
{
    colour &= 0xFFFFFF;
    background &= 0xFFFFFF;
    if (contrast(colour, background) >= kMinimumContrast)
        return colour;
    const Components c = components(colour);
    // Black reaches the minimum on every background of a luminance of 0.175
    // or more, white on every one below that.
    if (contrast(0, background) >= kMinimumContrast)
        return fewestSteps([&c](int step) { return darkened(c, step); }, background);
    return fewestSteps([&c](int step) { return lightened(c, step); }, background);
}

}  // namespace ReadableColor
