#pragma once

#include <span>

#include <QString>

#include "common/TwipRect.h"

// Geometry of the settings dialog's two layouts, in twips (1/1440 inch).
// Pure arithmetic so that the arrangement can be checked without a window;
// the dialog reads its sizes from the controls and applies the results.
namespace ConfigLayout {

using ::TwipRect;
using ::TwipSize;

struct TwipPoint {
    double x = 0;
    double y = 0;
    friend bool operator==(const TwipPoint&, const TwipPoint&) = default;
};

// A control of a frame by its object name, relative to the frame.
struct ControlPlace {
    const char* name;
    TwipRect rect;
};

inline constexpr TwipSize kSimpleFrameSize{4905, 1425};
inline constexpr TwipSize kDetailedFrameSize{9135, 2745};
inline constexpr TwipSize kButtonSize{1065, 465};
inline constexpr double kGap = 120;

// The guest box, user ID, password and handle name.
std::span<const ControlPlace> simpleFrameControls();
// Every other setting.
std::span<const ControlPlace> detailedFrameControls();

inline const QString kInit = QStringLiteral("Init");
inline const QString kNormal = QStringLiteral("Normal");
inline const QString kAdvance = QStringLiteral("Advance");

// What the dialog measures before a step: its outer rectangle and client
// size, the frames' and the "更新" button's sizes, and its screen.
struct Measures {
    TwipRect outer;
    TwipSize client;
    TwipSize simpleFrame;
    TwipSize detailedFrame;
    TwipSize okButton;
    TwipRect screen;
};

// What a step asks of the dialog. Empty texts leave the mode and the
// caption of the switch button as they were.
struct Arrangement {
    TwipRect outer;
    TwipSize client;
    bool placeFrames = false;  // frames to their places ("Init")
    bool detailedVisible = false;
    bool detailedVisibilityChanged = false;
    QString layoutMode;
    QString modeCaption;
};

// The centre to keep, each coordinate rounded halves to even.
TwipPoint keptCentre(const TwipRect& outer);

// Same size, moved to the middle of the screen.
TwipRect centredOnScreen(const TwipRect& outer, const TwipRect& screen);

// Where the detailed frame goes: directly below the simple one.
TwipPoint detailedFrameOrigin(TwipSize simpleFrame);

// The outcome of arranging for `word` ("Init", "Normal", "Advance"); any
// other word leaves the dialog as it is.
Arrangement arrange(const QString& word, const Measures& m);

struct ButtonRow {
    TwipRect mode;
    TwipRect ok;
    TwipRect cancel;
};

// The switch, "更新" and "取消" in a row at the bottom right of the client area.
ButtonRow placeButtons(TwipSize client, TwipSize mode, TwipSize ok, TwipSize cancel);

// Conversions at a screen's logical resolution (dots per inch).
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);

}  // namespace ConfigLayout
