#pragma once

#include <QStringView>

#include "common/FontSpec.h"

// How wide a text is drawn in a font, in twips. The desktop layer measures;
// the core only asks.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    virtual double textWidthTwips(QStringView text, const FontSpec& font) = 0;
};
