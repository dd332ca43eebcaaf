#include <gtest/gtest.h>

#include "common/MemorySettingsStore.h"
#include "common/SettingsLookup.h"
#include "common/TextHelpers.h"
#include "main/WindowPlacement.h"

using WindowPlacement::Outer;
using WindowPlacement::Stored;

namespace {

constexpr double kScreenW = 19200;  // 1280 x 800 px at 96 dpi
constexpr double kScreenH = 12000;

TEST(WindowPlacementTest, StoredTextsConvertOrCountAsAbsent)
{
    const std::pair<const char*, int> cases[] = {
        {"1234", 1234}, {"-1", -1},          {"0", 0},    {"-300", -300}, {"12.5", 12},
        {"13.5", 14},   {" 77 ", 77},        {"abc", -1}, {"", -1},       {"1e3", 1000},
        {"nan", -1},    {"99999999999", -1}, {"inf", -1}, {"12abc", -1},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(WindowPlacement::parseStored(QString::fromUtf8(text)), expected);
    }
}

TEST(WindowPlacementTest, EmptyStoreCentresTwoThirdsOfTheScreen)
{
    MemorySettingsStore store;
    const auto stored = WindowPlacement::read(store);
    EXPECT_EQ(stored.top, -1);
    EXPECT_EQ(stored.width, -1);
    const Outer outer = WindowPlacement::initial(stored, kScreenW, kScreenH);
    EXPECT_EQ(outer, (Outer{3200, 2000, 12800, 8000}));
}

TEST(WindowPlacementTest, EachKeyIsJudgedOnItsOwn)
{
    MemorySettingsStore store;
    SettingsLookup::writeSetting(store, QStringLiteral("RecFormWidth"), QStringLiteral("6000"));
    SettingsLookup::writeSetting(store, QStringLiteral("RecFormTop"), QStringLiteral("-1"));
    const Outer outer = WindowPlacement::initial(WindowPlacement::read(store), kScreenW, kScreenH);
    EXPECT_EQ(outer.width, 6000);
    EXPECT_EQ(outer.height, 8000);
    EXPECT_EQ(outer.left, kScreenW / 2 - 3000);
    EXPECT_EQ(outer.top, 2000);
}

TEST(WindowPlacementTest, AnOffScreenPlacementIsAppliedUnchanged)
{
    const Outer outer = WindowPlacement::initial(Stored{-5000, 90000, 3000, 4000}, kScreenW, kScreenH);
    EXPECT_EQ(outer, (Outer{90000, -5000, 4000, 3000}));
}

TEST(WindowPlacementTest, SaveWritesOnlyWhenAskedAndNotMinimised)
{
    const Outer outer{120.4, 240.5, 9000, 6001.5};
    struct Case {
        bool screenSave, minimised, written;
    };
    for (const Case c : {Case{false, false, false}, Case{true, true, false}, Case{true, false, true}}) {
        MemorySettingsStore store;
        SettingsLookup::writeSetting(store, QStringLiteral("RecFormTop"), QStringLiteral("55"));
        EXPECT_EQ(WindowPlacement::save(store, outer, c.screenSave, c.minimised), c.written);
        const auto stored = WindowPlacement::read(store);
        if (c.written) {
            EXPECT_EQ(SettingsLookup::readSetting(store, QStringLiteral("RecFormTop")), "240");
            EXPECT_EQ(SettingsLookup::readSetting(store, QStringLiteral("RecFormLeft")), "120");
            EXPECT_EQ(SettingsLookup::readSetting(store, QStringLiteral("RecFormHeight")), "6002");
            EXPECT_EQ(stored.width, 9000);
        } else {
            // What was stored earlier stays.
            EXPECT_EQ(stored.top, 55);
            EXPECT_EQ(stored.width, -1);
        }
    }
}

TEST(WindowPlacementTest, SavedPlacementReadsBackTheSame)
{
    MemorySettingsStore store;
    const Outer outer{1500, 750, 9990, 7005};
    ASSERT_TRUE(WindowPlacement::save(store, outer, true, false));
    EXPECT_EQ(WindowPlacement::initial(WindowPlacement::read(store), kScreenW, kScreenH), outer);
}

}  // namespace

namespace {

TEST(WindowPlacementTest, APlacementIsFittedIntoTheScreensAvailableArea)
{
    // The available area of a 1280 x 1024 screen at scale 2 (640 x 512
    // logical pixels) less a 30-pixel panel at the top.
    const Outer area{0, 450, 9600, 7230};
    struct Case {
        const char* name;
        Outer stored;
        Outer fitted;
    };
    const Case cases[] = {
        {"inside stays", {1500, 1500, 6000, 4500}, {1500, 1500, 6000, 4500}},
        {"exactly the area stays", area, area},
        {"too large: the whole area", {100, 200, 15000, 11400}, area},
        {"too wide only", {300, 600, 20000, 3000}, {0, 600, 9600, 3000}},
        {"past the right and bottom edges", {8000, 7000, 3000, 2000}, {6600, 5680, 3000, 2000}},
        {"past the left edge and under the panel", {-4000, 0, 3000, 2000}, {0, 450, 3000, 2000}},
        {"far off, on a screen since removed", {90000, -5000, 4000, 3000}, {5600, 450, 4000, 3000}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WindowPlacement::fitInto(c.stored, area), c.fitted);
    }
}

}  // namespace
