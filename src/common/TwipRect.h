#pragma once

#include "common/TwipSize.h"

// A rectangle in twips (1/1440 inch): where a window or control lies, by
// its top-left corner and its size.
struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    TwipSize size() const { return {width, height}; }
    friend bool operator==(const TwipRect&, const TwipRect&) = default;
};
