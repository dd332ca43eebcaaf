// Speaker colours made readable: the WCAG 2 contrast of the colours the
// handles give, and the adjustment that keeps their hue.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "common/ReadableColor.h"
#include "main/ChatFilter.h"
#include "support/PrintQString.h"
#include "support/RowTest.h"

namespace {

constexpr qint32 kWhite = 0xFFFFFF;
constexpr qint32 kBlack = 0x000000;

// #rrggbb as written on the web, to the client's 0x00BBGGRR.
constexpr qint32 web(qint32 rgb)
{
    return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
}

int component(qint32 colour, int i)
{
    return (colour >> (8 * i)) & 0xFF;
}

int topComponent(qint32 colour)
{
    return std::max({component(colour, 0), component(colour, 1), component(colour, 2)});
}

// The colour with its largest component at `top`, the others in proportion.
qint32 scaledTo(qint32 colour, int top)
{
    const int from = topComponent(colour);
    qint32 out = 0;
    for (int i = 0; i < 3; ++i)
        out |= int(std::lround(double(component(colour, i)) * top / from)) << (8 * i);
    return out;
}

struct ContrastCase : NamedRow<ContrastCase> {
    qint32 a;
    qint32 b;
    double ratio;  // to two decimals
};

class Contrasts : public ::testing::TestWithParam<ContrastCase> {};

TEST_P(Contrasts, RatioOfKnownPairs)
{
    const ContrastCase& c = GetParam();
    EXPECT_NEAR(ReadableColor::contrast(c.a, c.b), c.ratio, 0.005);
    EXPECT_DOUBLE_EQ(ReadableColor::contrast(c.a, c.b), ReadableColor::contrast(c.b, c.a));
}

INSTANTIATE_TEST_SUITE_P(ReadableColor, Contrasts,
                         ::testing::Values(ContrastCase{{"BlackOnWhite"}, kBlack, kWhite, 21.0},
                                           ContrastCase{{"Same"}, 0x123456, 0x123456, 1.0},
                                           ContrastCase{{"JiroOnWhite"}, web(0x9cb68f), kWhite, 2.21},
                                           ContrastCase{{"BobOnWhite"}, web(0x1ac31a), kWhite, 2.37},
                                           ContrastCase{{"TarouOnWhite"}, web(0xa98f34), kWhite, 3.15},
                                           ContrastCase{
                                               {"LightestReadableGrey"}, web(0x767676), kWhite, 4.54},
                                           ContrastCase{{"PureBlueOnWhite"}, web(0x0000ff), kWhite, 8.59},
                                           ContrastCase{{"PureRedOnWhite"}, web(0xff0000), kWhite, 4.00}),
                         RowName());

// Each handle at both ends of the luminosity range and in between.
struct HandleCase : NamedRow<HandleCase> {
    QString handle;
    qint32 luminosity;
};

class HandleColours : public ::testing::TestWithParam<HandleCase> {};

TEST_P(HandleColours, ReadableOnWhiteWithTheSameHueAndNoDarkerThanNeeded)
{
    const qint32 designed = ChatFilter::handleColor(GetParam().handle, GetParam().luminosity);
    const qint32 shown = ReadableColor::adjusted(designed, kWhite);
    EXPECT_GE(ReadableColor::contrast(shown, kWhite), ReadableColor::kMinimumContrast);
    if (ReadableColor::contrast(designed, kWhite) >= ReadableColor::kMinimumContrast) {
        EXPECT_EQ(shown, designed) << "a readable colour stays exactly as designed";
        return;
    }
    // Every component keeps its share of the largest one (hue and
    // saturation), within the rounding to whole values.
    const int top = topComponent(shown);
    ASSERT_LT(top, topComponent(designed));
    EXPECT_EQ(shown, scaledTo(designed, top));
    // One step lighter would not do.
    EXPECT_LT(ReadableColor::contrast(scaledTo(designed, top + 1), kWhite), ReadableColor::kMinimumContrast);
}

INSTANTIATE_TEST_SUITE_P(
    ReadableColor, HandleColours,
    ::testing::Values(HandleCase{{"JiroDefault"}, "ジロウ", 13}, HandleCase{{"BobDefault"}, "Bob", 13},
                      HandleCase{{"TarouDefault"}, "たろう", 13}, HandleCase{{"TaroDefault"}, "Taro", 13},
                      HandleCase{{"HanakoDefault"}, "花子", 13}, HandleCase{{"AllFifteenDefault"}, "O_o", 13},
                      HandleCase{{"ZeroIsBlack"}, "ジロウ", 0}, HandleCase{{"OneIsNearBlack"}, "O_o", 1},
                      HandleCase{{"SeventeenReachesWhite"}, "O_o", 17},
                      HandleCase{{"SeventeenJiro"}, "ジロウ", 17}, HandleCase{{"SeventeenBob"}, "Bob", 17},
                      HandleCase{{"SeventeenTarou"}, "たろう", 17},
                      HandleCase{{"LargestCarries"}, "ジロウ", 2175}, HandleCase{{"LargestBob"}, "Bob", 2175},
                      HandleCase{{"LargestHanako"}, "花子", 2175}, HandleCase{{"LargestShort"}, "A", 2175}),
    RowName());

struct AdjustCase : NamedRow<AdjustCase> {
    qint32 colour;
    qint32 background;
    qint32 shown;
};

class Adjustments : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(Adjustments, EdgeCases)
{
    const AdjustCase& c = GetParam();
    const qint32 shown = ReadableColor::adjusted(c.colour, c.background);
    EXPECT_EQ(shown, c.shown) << std::hex << shown;
    EXPECT_GE(ReadableColor::contrast(shown, c.background), ReadableColor::kMinimumContrast);
}

INSTANTIATE_TEST_SUITE_P(ReadableColor, Adjustments,
                         ::testing::Values(
                             // The lightest grey readable on white, and on black the darkest.
                             AdjustCase{{"WhiteOnWhiteBecomesGrey"}, kWhite, kWhite, web(0x767676)},
                             AdjustCase{{"BlackOnBlackBecomesGrey"}, kBlack, kBlack, web(0x757575)},
                             AdjustCase{{"BlackOnWhiteStays"}, kBlack, kWhite, kBlack},
                             AdjustCase{{"BlueOnWhiteStays"}, web(0x0000ff), kWhite, web(0x0000ff)},
                             AdjustCase{{"WhiteOnBlackStays"}, kWhite, kBlack, kWhite},
                             // Yellow keeps red equal to green and no blue.
                             AdjustCase{{"YellowStaysYellow"}, web(0xffff00), kWhite, web(0x7a7a00)},
                             // Only the 24 colour bits count.
                             AdjustCase{{"HighByteIgnored"}, qint32(0x7F000000) | kBlack, kWhite, kBlack},
                             AdjustCase{{"RowGreyBackground"}, kWhite, 0xE0E0E0, web(0x636363)},
                             // On a dark desktop the colour is lightened towards white instead.
                             AdjustCase{{"DarkBlueOnDarkGrey"}, web(0x000080), web(0x202020), web(0x8181c0)}),
                         RowName());

TEST(ReadableColorRange, EveryGreyOnEveryGreyIsReadable)
{
    // A coarse sweep over both colours: the adjustment always reaches the
    // minimum, whatever the background.
    for (int back = 0; back < 256; back += 15) {
        for (int fore = 0; fore < 256; fore += 15) {
            const qint32 background = back * 0x010101;
            const qint32 shown = ReadableColor::adjusted(fore * 0x010101, background);
            EXPECT_GE(ReadableColor::contrast(shown, background), ReadableColor::kMinimumContrast)
                << fore << " on " << back;
        }
    }
}

}  // namespace
