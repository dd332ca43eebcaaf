#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QStringView>

#include <memory>
#include <vector>

#include "controls/TextMeasurer.h"

// The advances of one font's characters in pixels, each asked of the font
// once: summing them is far cheaper than laying the text out.
class CharAdvances {
public:
    explicit CharAdvances(const QFont& font);

    // The advance of the character at i. A surrogate pair counts whole at
    // its first unit and zero at its second.
    double at(QStringView text, qsizetype i);
    double width(QStringView text);
    // The width in 1/64 px where every character's advance is a whole number
    // of them (and known already); false otherwise.
    bool units(QStringView text, qint64& sum) const;
    // The sum of at() over the text, for a text that units() refused.
    double summed(QStringView text);
    static constexpr double kUnitsPerPx = 64.0;
    const QFont& font() const { return font_; }
    // Distinguishes this table from any other made during the process.
    quint64 serial() const { return serial_; }

private:
    double single(char16_t ch);
    double pair(char32_t ch);

    QFont font_;
    QFontMetricsF metrics_;
    std::vector<float> basic_;  // by UTF-16 unit, negative until asked
    std::vector<quint16> fixed_;  // the same in 1/64 px where that is exact and small
    QHash<char32_t, float> supplementary_;
    quint64 serial_;
};

// Measures texts for the grids: the width in twips is the sum of the
// characters' advances through the screen's logical DPI.
class FontMeasurer : public TextMeasurer {
public:
    // The primary screen's logical DPI (96 without a screen).
    FontMeasurer();
    explicit FontMeasurer(double logicalDpi);
    ~FontMeasurer() override;

    double textWidthTwips(QStringView text, const FontSpec& font) override;
    Width measure(QStringView text, const FontSpec& font) override;
    double unitsToTwips(qint64 units) override;
    CharAdvances& advances(const FontSpec& font);
    double logicalDpi() const { return dpi_; }

private:
    struct Entry {
        FontSpec face;
        std::unique_ptr<CharAdvances> advances;
    };
    double dpi_;
    std::vector<Entry> fonts_;  // most recently used last
};
