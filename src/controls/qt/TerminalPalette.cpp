#include "controls/qt/TerminalPalette.h"

#include <array>

namespace {

// Black, red, green, yellow, blue, magenta, cyan, white, then the bright
// forms; each at least 4.5:1 against white where it can be, white and bright
// white as greys so that text in them still shows.
constexpr std::array<QRgb, 16> kStandard = {
    0x000000, 0xB3261E, 0x1B7F2A, 0x8A6500, 0x1F4FC2, 0x9C2A9C, 0x0E7480, 0x6B6B6B,
    0x505050, 0xD0342C, 0x21922F, 0x9E7700, 0x3463D6, 0xB43AB4, 0x128A97, 0x8A8A8A,
};

QColor indexed(int n)
{
    if (n < 16)
        return QColor::fromRgb(kStandard[size_t(n)]);
    if (n < 232) {
        // The 6x6x6 cube: levels 0, 95, 135, 175, 215, 255.
        const int i = n - 16;
        const auto level = [](int v) { return v == 0 ? 0 : 55 + 40 * v; };
        return QColor(level(i / 36), level(i / 6 % 6), level(i % 6));
    }
    const int grey = 8 + 10 * (n - 232);
    return QColor(grey, grey, grey);
}

}  // namespace

QColor TerminalPalette::color(quint32 styleColor, const QColor& fallback)
{
    if (styleColor & TextStyle::kDirect)
        return QColor::fromRgb(styleColor & 0xFFFFFF);
    if (styleColor & TextStyle::kIndexed)
        return indexed(int(styleColor & 0xFF));
    return fallback;
}
