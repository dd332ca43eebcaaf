#pragma once

#include "controls/TextMeasurer.h"

// Every character is drawn the same width whatever the font, bold ones
// `boldFactor` times as wide; counts what it was asked to measure.
class FakeMeasurer : public TextMeasurer {
public:
    double twipsPerChar = 100;
    double boldFactor = 1;
    qint64 calls = 0;
    qint64 characters = 0;

    double textWidthTwips(QStringView text, const FontSpec& font) override
    {
        ++calls;
        characters += text.size();
        return double(text.size()) * twipsPerChar * (font.bold ? boldFactor : 1);
    }
};
