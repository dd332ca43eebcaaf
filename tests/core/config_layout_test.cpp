#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "config/ConfigLayout.h"

using namespace ConfigLayout;

namespace {

// A dialog whose border and caption take 120 by 420 twips, on a 12000 by
// 12000 twip screen, with the frames and buttons at their design sizes.
Measures DesignMeasures(TwipRect outer)
{
    Measures m;
    m.outer = outer;
    m.client = {outer.width - 120, outer.height - 420};
    m.simpleFrame = kSimpleFrameSize;
    m.detailedFrame = kDetailedFrameSize;
    m.okButton = kButtonSize;
    m.screen = {0, 0, 12000, 12000};
    return m;
}

Measures After(const Measures& before, const Arrangement& a)
{
    Measures m = before;
    m.outer = a.outer;
    m.client = a.client;
    return m;
}

TwipPoint Centre(const TwipRect& r)
{
    return {r.left + r.width / 2, r.top + r.height / 2};
}

constexpr TwipSize kSimpleClient{4905, 1425 + 465 + 120};
constexpr TwipSize kDetailedClient{9135, 1425 + 2745 + 465 + 120};

}  // namespace

TEST(ConfigLayoutCentre, RoundsHalvesToEven)
{
    struct Case {
        TwipRect outer;
        TwipPoint centre;
    };
    const Case cases[] = {
        {{0, 0, 4905, 2011}, {2452, 1006}},  // 2452.5 -> 2452, 1005.5 -> 1006
        {{1, 1, 4905, 2011}, {2454, 1006}},  // 2453.5 -> 2454, 1006.5 -> 1006
        {{100, 200, 4000, 3000}, {2100, 1700}},
        {{-3000, -10, 4905, 21}, {-548, 0}},  // -547.5 -> -548, 0.5 -> 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(keptCentre(c.outer), c.centre) << c.outer.left << "," << c.outer.top;
    }
}

TEST(ConfigLayoutArrange, InitCentresTheSimpleLayoutOnTheScreen)
{
    const Measures m = DesignMeasures({150, 300, 3000, 2000});
    const Arrangement a = arrange(kInit, m);
    EXPECT_TRUE(a.placeFrames);
    EXPECT_EQ(a.client, kSimpleClient);
    EXPECT_EQ(a.outer.size(), (TwipSize{kSimpleClient.width + 120, kSimpleClient.height + 420}));
    EXPECT_EQ(Centre(a.outer), (TwipPoint{6000, 6000}));
    EXPECT_TRUE(a.detailedVisibilityChanged);
    EXPECT_FALSE(a.detailedVisible);
    EXPECT_EQ(a.layoutMode, kNormal);
    EXPECT_EQ(a.modeCaption, QStringLiteral("詳細設定"));
}

TEST(ConfigLayoutArrange, InitCentresOnAScreenAwayFromTheOrigin)
{
    Measures m = DesignMeasures({0, 0, 3000, 2000});
    m.screen = {12000, -6000, 9000, 6000};
    const Arrangement a = arrange(kInit, m);
    EXPECT_EQ(Centre(a.outer), (TwipPoint{16500, -3000}));
}

TEST(ConfigLayoutArrange, AdvanceGrowsAroundTheCentreAndShowsTheDetailedFrame)
{
    const Measures normal = After(DesignMeasures({}), arrange(kInit, DesignMeasures({})));
    const Arrangement a = arrange(kAdvance, normal);
    EXPECT_FALSE(a.placeFrames);
    EXPECT_EQ(a.client, kDetailedClient);
    EXPECT_EQ(a.outer.size(), (TwipSize{kDetailedClient.width + 120, kDetailedClient.height + 420}));
    EXPECT_TRUE(a.detailedVisible);
    EXPECT_EQ(a.layoutMode, kAdvance);
    EXPECT_EQ(a.modeCaption, QStringLiteral("簡易設定"));
    const TwipPoint before = keptCentre(normal.outer);
    EXPECT_EQ(Centre(a.outer), before);
}

TEST(ConfigLayoutArrange, SwitchingThereAndBackKeepsSizeAndCentreWithinATwip)
{
    // Odd sizes put the centre on half twips, where the rounding shows.
    Measures m = DesignMeasures({1001, 777, 4001, 3001});
    m.client = {3880, 2580};
    Measures normal = After(m, arrange(kNormal, m));
    for (int round = 0; round < 5; ++round) {
        const Measures advance = After(normal, arrange(kAdvance, normal));
        const Measures back = After(advance, arrange(kNormal, advance));
        EXPECT_EQ(back.outer.size(), normal.outer.size());
        EXPECT_EQ(back.client, normal.client);
        EXPECT_LE(std::abs(Centre(back.outer).x - Centre(normal.outer).x), 1.0);
        EXPECT_LE(std::abs(Centre(back.outer).y - Centre(normal.outer).y), 1.0);
        EXPECT_LE(std::abs(Centre(advance.outer).x - Centre(normal.outer).x), 1.0);
        normal = back;
    }
}

TEST(ConfigLayoutArrange, TheFramesSizesAsMeasuredDecide)
{
    Measures m = DesignMeasures({0, 0, 6000, 5000});
    m.simpleFrame = {5000, 1500};
    m.detailedFrame = {9000, 2000};
    m.okButton = {1000, 500};
    EXPECT_EQ(arrange(kNormal, m).client, (TwipSize{5000, 1500 + 500 + 120}));
    EXPECT_EQ(arrange(kAdvance, m).client, (TwipSize{9000, 1500 + 2000 + 500 + 120}));
}

TEST(ConfigLayoutArrange, AnUnknownWordChangesNothing)
{
    const Measures m = DesignMeasures({10, 20, 3000, 2000});
    for (const QString& word : {QStringLiteral("normal"), QString(), QStringLiteral("Terminal")}) {
        const Arrangement a = arrange(word, m);
        EXPECT_EQ(a.outer, m.outer);
        EXPECT_EQ(a.client, m.client);
        EXPECT_FALSE(a.placeFrames);
        EXPECT_FALSE(a.detailedVisibilityChanged);
        EXPECT_TRUE(a.layoutMode.isEmpty());
        EXPECT_TRUE(a.modeCaption.isEmpty());
    }
}

TEST(ConfigLayoutArrange, NearAScreenEdgeTheWindowMayLeaveTheScreen)
{
    Measures m = DesignMeasures({0, 0, 5025, 2430});
    m.client = kSimpleClient;
    const Arrangement a = arrange(kAdvance, m);
    EXPECT_LT(a.outer.left, 0);
    EXPECT_LT(a.outer.top, 0);
}

TEST(ConfigLayoutButtons, RowAtTheBottomRightWithTheDesignedGaps)
{
    const ButtonRow row = placeButtons(kSimpleClient, kButtonSize, kButtonSize, kButtonSize);
    EXPECT_EQ(row.cancel, (TwipRect{3720, 1425, 1065, 465}));
    EXPECT_EQ(row.ok, (TwipRect{2535, 1425, 1065, 465}));
    EXPECT_EQ(row.mode, (TwipRect{1230, 1425, 1065, 465}));
    EXPECT_EQ(kSimpleClient.width - (row.cancel.left + row.cancel.width), 120);
    EXPECT_EQ(row.cancel.left - (row.ok.left + row.ok.width), 120);
    EXPECT_EQ(row.ok.left - (row.mode.left + row.mode.width), 240);
    EXPECT_EQ(kSimpleClient.height - (row.ok.top + row.ok.height), 120);
}

TEST(ConfigLayoutButtons, UnequalButtonsKeepTheirOwnSizes)
{
    const ButtonRow row = placeButtons({9000, 4000}, {1500, 400}, {1000, 500}, {800, 300});
    EXPECT_EQ(row.cancel, (TwipRect{9000 - 920, 4000 - 420, 800, 300}));
    EXPECT_EQ(row.ok, (TwipRect{9000 - 2040, 4000 - 620, 1000, 500}));
    // The switch aligns with the top of "更新", whatever its own height.
    EXPECT_EQ(row.mode, (TwipRect{9000 - 3780, 4000 - 620, 1500, 400}));
}

TEST(ConfigLayoutFrames, DetailedFrameSitsBelowTheSimpleOne)
{
    EXPECT_EQ(detailedFrameOrigin(kSimpleFrameSize), (TwipPoint{0, 1425}));
}

TEST(ConfigLayoutFrames, EveryControlFitsInsideItsFrameAndNamesAreUnique)
{
    std::set<std::string> names;
    const auto check = [&](std::span<const ControlPlace> table, TwipSize frame) {
        for (const ControlPlace& p : table) {
            EXPECT_TRUE(names.insert(p.name).second) << p.name;
            EXPECT_GE(p.rect.left, 0) << p.name;
            EXPECT_LE(p.rect.left + p.rect.width, frame.width) << p.name;
            EXPECT_LE(p.rect.top + p.rect.height, frame.height) << p.name;
        }
    };
    check(simpleFrameControls(), kSimpleFrameSize);
    check(detailedFrameControls(), kDetailedFrameSize);
    EXPECT_EQ(simpleFrameControls().size(), 7u);
    EXPECT_EQ(detailedFrameControls().size(), 22u);
}

// The boxes added for the logs, mentions, reconnecting and colours sit
// where nothing was: no two controls of the detailed frame overlap, and the
// designed ones keep their places.
TEST(ConfigLayoutFrames, NoTwoDetailedControlsOverlap)
{
    const auto controls = detailedFrameControls();
    for (size_t i = 0; i < controls.size(); ++i) {
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const TwipRect& a = controls[i].rect;
            const TwipRect& b = controls[j].rect;
            const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                               a.top + a.height <= b.top || b.top + b.height <= a.top;
            EXPECT_TRUE(apart) << controls[i].name << " and " << controls[j].name;
        }
    }
    const std::map<std::string, TwipRect> designed{
        {"fontButton", {4650, 1800, 4125, 285}},      {"saveLogCheck", {4650, 1500, 2535, 285}},
        {"logFolderButton", {7200, 1500, 1575, 285}}, {"screenSaveCheck", {150, 2100, 4155, 285}},
        {"logLinesField", {7650, 150, 1215, 285}},
    };
    for (const ControlPlace& p : controls) {
        if (const auto it = designed.find(p.name); it != designed.end()) {
            EXPECT_EQ(p.rect, it->second) << p.name;
        }
    }
}

TEST(ConfigLayoutUnits, TwipsAndPixelsAtTheScreensResolution)
{
    struct Case {
        double twips;
        double dpi;
        int pixels;
    };
    const Case cases[] = {
        {4905, 96, 327}, {1440, 96, 96}, {1440, 144, 144}, {15, 96, 1},
        {7, 96, 0},      {8, 96, 1},     {-7.5, 96, -1},   {9135, 120, 761},
    };
    for (const Case& c : cases)
        EXPECT_EQ(twipsToPixels(c.twips, c.dpi), c.pixels) << c.twips << " at " << c.dpi;
    EXPECT_DOUBLE_EQ(pixelsToTwips(327, 96), 4905);
    EXPECT_DOUBLE_EQ(pixelsToTwips(1, 144), 10);
}
