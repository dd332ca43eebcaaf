#pragma once

#include "common/TwipRect.h"

// The main window's layout rules, in twips, as pure functions: sizes in,
// rectangles out. The window's resize handlers apply them.
namespace WindowLayout {

// Designed heights of the input line and the two docked bars.
constexpr double kInputLineHeight = 375;
constexpr double kFunctionKeyBarHeight = 390;
constexpr double kStatusBarHeight = 375;

using Rect = TwipRect;

struct WindowRects {
    Rect terminalArea;
    Rect inputLine;
    friend bool operator==(const WindowRects&, const WindowRects&) = default;
};

// The views' container fills the client area above the input line; the
// input line sits right under it; the function-key bar and status bar are
// docked below. A window too small for the bars gives the views no height.
WindowRects arrangeWindow(double innerWidth, double innerHeight, double statusHeight,
                          double functionKeyHeight, double inputHeight);

// Both views fill the container's inner area, always the same rectangle.
struct ViewRects {
    Rect terminal;
    Rect chat;
};
ViewRects arrangeViews(double innerWidth, double innerHeight);

}  // namespace WindowLayout
