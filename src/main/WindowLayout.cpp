#include "main/WindowLayout.h"

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

namespace WindowLayout {

WindowRects arrangeWindow(double innerWidth, double innerHeight, double statusHeight,
                          double functionKeyHeight, double inputHeight)
{
    double views =
        double(TextHelpers::roundHalfEven(innerHeight - (inputHeight + (statusHeight + functionKeyHeight))));
    if (views < 0)
        views = 0;
    WindowRects rects;
    rects.terminalArea = {0, 0, innerWidth, views};
    rects.inputLine = {0, views, innerWidth, inputHeight};
    return rects;
}

ViewRects arrangeViews(double innerWidth, double innerHeight)
{
    const Rect all{0, 0, innerWidth, innerHeight};
    return {all, all};
}

}  // namespace WindowLayout
