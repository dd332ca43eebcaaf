#pragma once

#include <QStringView>
#include <QtGlobal>

#include "common/FontSpec.h"

// How wide a text is drawn in a font, in twips. The desktop layer measures;
// the core only asks.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual double textWidthTwips(QStringView text, const FontSpec& font) = 0;

    // A measurer that sums whole units per character (the same unit for
    // every font) may also give a text's width in them. Units add up
    // exactly, so the width of a text's end is the width of the whole less
    // that of its beginning; and twips is then exactly unitsToTwips(units).
    struct Width {
        double twips = 0;
        qint64 units = -1;  // negative: none
    };
    virtual Width measure(QStringView text, const FontSpec& font) { return {textWidthTwips(text, font), -1}; }
    virtual double unitsToTwips(qint64 units) { return double(units); }
};
