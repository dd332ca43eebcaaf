#pragma once

#include "controls/TextMeasurer.h"

// Every character is drawn the same width, whatever the font.
class FakeMeasurer : public TextMeasurer {
public:
    double twipsPerChar = 100;

    double textWidthTwips(QStringView text, const FontSpec&) override {
        return double(text.size()) * twipsPerChar;
    }
};
