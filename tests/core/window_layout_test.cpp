#include <gtest/gtest.h>

#include <algorithm>

#include "main/WindowLayout.h"

using WindowLayout::arrangeViews;
using WindowLayout::arrangeWindow;
using WindowLayout::Rect;

namespace {

struct WindowCase {
    const char* name;
    double width, height;
    Rect views, input;
};

// Status bar 375, function keys 390, input line 375 twips, as designed.
const WindowCase kWindowCases[] = {
    {"normal", 9000, 6000, {0, 0, 9000, 4860}, {0, 4860, 9000, 375}},
    {"exactly the bars", 4000, 1140, {0, 0, 4000, 0}, {0, 0, 4000, 375}},
    {"smaller than the bars", 4000, 500, {0, 0, 4000, 0}, {0, 0, 4000, 375}},
    {"zero by zero", 0, 0, {0, 0, 0, 0}, {0, 0, 0, 375}},
    {"half twip rounds to even", 3000, 1140 + 2.5, {0, 0, 3000, 2}, {0, 2, 3000, 375}},
    {"half twip rounds to even upward", 3000, 1140 + 3.5, {0, 0, 3000, 4}, {0, 4, 3000, 375}},
};

TEST(WindowLayoutTest, WindowRuleKeepsInputLineBetweenViewsAndBars)
{
    for (const auto& c : kWindowCases) {
        SCOPED_TRACE(c.name);
        const auto rects = arrangeWindow(c.width, c.height, 375, 390, 375);
        EXPECT_EQ(rects.terminalArea, c.views);
        EXPECT_EQ(rects.inputLine, c.input);
    }
}

TEST(WindowLayoutTest, InputLineEndsWhereTheFunctionKeysBegin)
{
    for (double height : {1200.0, 4321.0, 10000.0}) {
        const auto rects = arrangeWindow(5000, height, 375, 390, 375);
        EXPECT_EQ(rects.inputLine.top + rects.inputLine.height, height - (375 + 390));
    }
}

TEST(WindowLayoutTest, ViewsGrowTwipForTwipOutOfACollapse)
{
    // Growing a window one twip at a time from nothing, through the height
    // of the bars, to full size: the views stay collapsed until the bars
    // fit, then take every further twip, and the input line stays right under them.
    for (int height = 0; height <= 3000; ++height) {
        SCOPED_TRACE(height);
        const auto rects = arrangeWindow(9000, height, 375, 390, 375);
        EXPECT_EQ(rects.terminalArea.height, std::max(0, height - (375 + 390 + 375)));
        EXPECT_EQ(rects.inputLine.top, rects.terminalArea.height);
        EXPECT_EQ(rects.inputLine.height, 375);
    }
}

TEST(WindowLayoutTest, BothViewsAlwaysShareOneRectangle)
{
    for (auto [w, h] : {std::pair{0.0, 0.0}, {1.0, 1.0}, {9000.0, 4860.0}}) {
        const auto views = arrangeViews(w, h);
        EXPECT_EQ(views.terminal, views.chat);
        EXPECT_EQ(views.terminal, (Rect{0, 0, w, h}));
    }
}

}  // namespace
