#include "config/ConfigLayout.h"

#include <array>
#include <cmath>

#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"

namespace ConfigLayout {

namespace {

// Every control of the two frames, the simple frame's first.
constexpr std::array kControls{
    ControlPlace{"guestFlagCheck", {300, 120, 2535, 255}},
    ControlPlace{"userIdLabel", {120, 450, 1545, 255}},
    ControlPlace{"userIdEdit", {1950, 450, 2775, 285}},
    ControlPlace{"passwordLabel", {150, 750, 1545, 255}},
    ControlPlace{"passwordEdit", {1950, 750, 2775, 285}},
    ControlPlace{"handleNameLabel", {150, 1050, 1545, 255}},
    ControlPlace{"handleNameEdit", {1950, 1050, 2775, 285}},
    ControlPlace{"addressLabel", {120, 150, 1665, 255}},
    ControlPlace{"addressEdit", {1950, 150, 3915, 285}},
    ControlPlace{"portLabel", {240, 450, 1545, 255}},
    ControlPlace{"portField", {1950, 450, 1215, 285}},
    ControlPlace{"logLinesLabel", {6300, 150, 1215, 255}},
    ControlPlace{"logLinesField", {7650, 150, 1215, 285}},
    ControlPlace{"luminosityLabel", {6300, 450, 1215, 255}},
    ControlPlace{"luminosityField", {7650, 450, 1215, 285}},
    ControlPlace{"handleSuffixLabel", {6300, 750, 1215, 255}},
    ControlPlace{"handleSuffixEdit", {7650, 750, 1215, 285}},
    ControlPlace{"autoChangeWindowCheck", {150, 1200, 4155, 285}},
    ControlPlace{"autoGetHandleNameCheck", {150, 1500, 4155, 285}},
    ControlPlace{"localEchoCheck", {150, 1800, 4155, 285}},
    ControlPlace{"screenSaveCheck", {150, 2100, 4155, 285}},
    ControlPlace{"changeMyColorCheck", {4650, 1200, 2535, 285}},
    ControlPlace{"myColorButton", {7200, 1200, 1575, 285}},
    ControlPlace{"saveLogCheck", {4650, 1500, 2535, 285}},
    ControlPlace{"logFolderButton", {7200, 1500, 1575, 285}},
    ControlPlace{"fontButton", {4650, 1800, 4125, 285}},
    ControlPlace{"readableColorsCheck", {4650, 2100, 4125, 285}},
    ControlPlace{"notifyMentionCheck", {150, 2400, 4155, 285}},
    ControlPlace{"autoReconnectCheck", {4650, 2400, 4125, 285}},
};
constexpr std::size_t kSimpleFrameControlCount = 7;

// Keeps the centre while the outer size changes; the border and caption
// (outer minus client) stay as they are.
Arrangement resized(const Measures& m, TwipSize client)
{
    const TwipPoint centre = keptCentre(m.outer);
    Arrangement a;
    a.outer.width = m.outer.width - m.client.width + client.width;
    a.outer.height = m.outer.height - m.client.height + client.height;
    a.outer.left = centre.x - a.outer.width / 2;
    a.outer.top = centre.y - a.outer.height / 2;
    a.client = client;
    return a;
}

Arrangement normalLayout(const Measures& m)
{
    Arrangement a = resized(m, {m.simpleFrame.width, m.simpleFrame.height + m.okButton.height + kGap});
    a.detailedVisible = false;
    a.detailedVisibilityChanged = true;
    a.layoutMode = kNormal;
    a.modeCaption = QStringLiteral("詳細設定");
    return a;
}

Arrangement advancedLayout(const Measures& m)
{
    Arrangement a = resized(
        m, {m.detailedFrame.width, m.simpleFrame.height + m.detailedFrame.height + m.okButton.height + kGap});
    a.detailedVisible = true;
    a.detailedVisibilityChanged = true;
    a.layoutMode = kAdvance;
    a.modeCaption = QStringLiteral("簡易設定");
    return a;
}

}  // namespace

std::span<const ControlPlace> simpleFrameControls()
{
    return std::span(kControls).first(kSimpleFrameControlCount);
}

std::span<const ControlPlace> detailedFrameControls()
{
    return std::span(kControls).subspan(kSimpleFrameControlCount);
}

TwipPoint keptCentre(const TwipRect& outer)
{
    return {double(TextHelpers::roundHalfEven(outer.left + outer.width / 2)),
            double(TextHelpers::roundHalfEven(outer.top + outer.height / 2))};
}

TwipRect centredOnScreen(const TwipRect& outer, const TwipRect& screen)
{
    return {screen.left + screen.width / 2 - outer.width / 2,
            screen.top + screen.height / 2 - outer.height / 2, outer.width, outer.height};
}

TwipPoint detailedFrameOrigin(TwipSize simpleFrame)
{
    return {0, simpleFrame.height};
}

Arrangement arrange(const QString& word, const Measures& m)
{
    if (word == kInit) {
        Measures centred = m;
        centred.outer = centredOnScreen(m.outer, m.screen);
        Arrangement a = normalLayout(centred);
        a.placeFrames = true;
        return a;
    }
    if (word == kNormal)
        return normalLayout(m);
    if (word == kAdvance)
        return advancedLayout(m);
    Arrangement unchanged;
    unchanged.outer = m.outer;
    unchanged.client = m.client;
    return unchanged;
}

ButtonRow placeButtons(TwipSize client, TwipSize mode, TwipSize ok, TwipSize cancel)
{
    ButtonRow row;
    row.cancel = {client.width - (cancel.width + kGap), client.height - (cancel.height + kGap), cancel.width,
                  cancel.height};
    row.ok = {client.width - (cancel.width + ok.width + 2 * kGap), client.height - (ok.height + kGap),
              ok.width, ok.height};
    row.mode = {client.width - (ok.width + mode.width + cancel.width + 4 * kGap),
                client.height - (ok.height + kGap), mode.width, mode.height};
    return row;
}

int twipsToPixels(double twips, double dpi)
{
    return int(std::lround(twips * dpi / 1440.0));
}

double pixelsToTwips(int pixels, double dpi)
{
    return pixels * 1440.0 / dpi;
}

}  // namespace ConfigLayout
