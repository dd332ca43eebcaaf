#include "controls/qt/FontMeasurer.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "controls/qt/TwipsConversion.h"
#include "controls/qt/Fonts.h"

namespace {

// A few fonts are in use at a time (the views' font, a font being tried in
// the settings); each table holds up to 64k advances.
constexpr size_t kFontsKept = 4;

quint64 nextSerial()
{
    static quint64 serial = 0;
    return ++serial;
}

double primaryScreenDpi()
{
    const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                ? QGuiApplication::primaryScreen()
                                : nullptr;
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

// Advances in 1/64 px, the unit of the font engines' fixed-point metrics,
// below 512 px: 15 bits, so the table is half the size, and any sum of 2^32
// of them stays below 2^53. The top bit marks a character without one.
constexpr double kFixedPerPx = CharAdvances::kUnitsPerPx;
constexpr quint16 kMaxFixed = 0x7FFF;
constexpr quint16 kNoFixed = 0x8000;

CharAdvances::CharAdvances(const QFont& font)
    : font_(font), metrics_(font), basic_(0x10000, -1.0f), fixed_(0x10000, kNoFixed), serial_(nextSerial())
{}

double CharAdvances::single(char16_t ch)
{
    float& advance = basic_[ch];
    if (advance < 0) {
        advance = float(metrics_.horizontalAdvance(QChar(ch)));
        const double fixed = double(advance) * kFixedPerPx;
        if (!QChar::isSurrogate(ch) && fixed >= 0 && fixed <= kMaxFixed && fixed == std::floor(fixed))
            fixed_[ch] = quint16(fixed);
    }
    return advance;
}

double CharAdvances::pair(char32_t ch)
{
    auto it = supplementary_.find(ch);
    if (it == supplementary_.end()) {
        const char32_t units[] = {ch};
        it = supplementary_.insert(ch, float(metrics_.horizontalAdvance(QString::fromUcs4(units, 1))));
    }
    return *it;
}

double CharAdvances::at(QStringView text, qsizetype i)
{
    const QChar ch = text[i];
    if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return pair(QChar::surrogateToUcs4(ch, text[i + 1]));
    if (ch.isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())
        return 0;
    return single(ch.unicode());
}

// Whole multiples of 1/64 px add up exactly in an integer, and in a double
// too while below 2^53 units: so the integer sum, in any order, is exactly
// the double sum taken one character after the other, and it needs no
// floating-point addition chain. False when some character has no such
// advance (not asked yet, a surrogate, an odd value).
bool CharAdvances::units(QStringView text, qint64& sum) const
{
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    const quint16* const fixed = fixed_.data();
    quint64 even = 0, odd = 0;
    unsigned flags = 0;
    qsizetype i = 0;
    for (; i + 2 <= n; i += 2) {
        const unsigned a = fixed[chars[i]], b = fixed[chars[i + 1]];
        even += a;
        odd += b;
        flags |= a | b;
    }
    if (i < n) {
        even += fixed[chars[i]];
        flags |= fixed[chars[i]];
    }
    if (flags & kNoFixed)
        return false;
    sum = qint64(even + odd);
    return true;
}

double CharAdvances::width(QStringView text)
{
    qint64 fixed;
    return units(text, fixed) ? double(fixed) / kFixedPerPx : summed(text);
}

double CharAdvances::summed(QStringView text)
{
    // The same sum as adding at() for every index, without its surrogate
    // tests for the characters that are not surrogates.
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    double sum = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t ch = chars[i];
        if (QChar::isSurrogate(ch)) {
            sum += at(text, i);
            continue;
        }
        const float advance = basic_[ch];
        sum += advance >= 0 ? double(advance) : single(ch);
    }
    return sum;
}

FontMeasurer::FontMeasurer() : FontMeasurer(primaryScreenDpi()) {}

FontMeasurer::FontMeasurer(double logicalDpi) : dpi_(logicalDpi > 0 ? logicalDpi : 96.0) {}

FontMeasurer::~FontMeasurer() = default;

double FontMeasurer::textWidthTwips(QStringView text, const FontSpec& font)
{
    return measure(text, font).twips;
}

// The twips of a text with units are unitsToTwips of them by construction:
// both are the one conversion of width() in its integer case.
TextMeasurer::Width FontMeasurer::measure(QStringView text, const FontSpec& font)
{
    CharAdvances& table = advances(font);
    qint64 units;
    if (table.units(text, units))
        return {unitsToTwips(units), units};
    return {Twips::fromPx(table.summed(text), dpi_), -1};
}

double FontMeasurer::unitsToTwips(qint64 units)
{
    return Twips::fromPx(double(units) / kFixedPerPx, dpi_);
}

CharAdvances& FontMeasurer::advances(const FontSpec& font)
{
    if (!fonts_.empty() && fonts_.back().face == font)
        return *fonts_.back().advances;
    for (auto it = fonts_.begin(); it != fonts_.end(); ++it) {
        if (it->face == font) {
            std::rotate(it, it + 1, fonts_.end());
            return *fonts_.back().advances;
        }
    }
    if (fonts_.size() >= kFontsKept)
        fonts_.erase(fonts_.begin());
    fonts_.push_back({font, std::make_unique<CharAdvances>(Fonts::toQFont(font))});
    return *fonts_.back().advances;
}
