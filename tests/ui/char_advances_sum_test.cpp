// The width of a text is summed from its characters' advances in whole
// 1/64 px where it can be; that sum must equal, exactly, the advances added
// one after the other as doubles, the first time a text is measured (when
// its characters are still being asked of the font) and every time after.

#include <QString>

#include <gtest/gtest.h>

#include <random>

#include "common/FontSpec.h"
#include "controls/qt/FontMeasurer.h"
#include "controls/qt/Fonts.h"

namespace {

double oneByOne(CharAdvances& advances, QStringView text)
{
    double sum = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        sum += advances.at(text, i);
    return sum;
}

// Narrow and wide characters, controls, and surrogates paired and alone.
QString randomText(std::mt19937& random)
{
    static const char16_t kPool[] = u"aZ09 ~\t\x1b"
                                    u"あンｱﾝ日本語漢字　ＡＢ｡、。"
                                    u"\U0001F600\U00020B9F";
    QString text;
    const int length = int(random() % 80);
    for (int k = 0; k < length; ++k) {
        const int pick = int(random() % 40);
        if (pick == 0)
            text.append(QChar(char16_t(0xD800 + random() % 0x800)));  // a lone surrogate
        else if (pick == 1)
            text.append(QChar(char16_t(0x4E00 + random() % 0x5200)));  // any ideograph
        else
            text.append(QChar(kPool[random() % (std::size(kPool) - 1)]));
    }
    return text;
}

TEST(CharAdvances, WidthIsExactlyTheSumTakenOneByOne)
{
    const int sizes[] = {9, 10, 12, 13};
    std::mt19937 random(64);
    for (const int size : sizes) {
        FontSpec face;
        face.size = size;
        face.bold = size > 12;
        CharAdvances advances(Fonts::toQFont(face));
        for (int round = 0; round < 400; ++round) {
            const QString text = randomText(random);
            const double first = advances.width(text);
            ASSERT_EQ(first, oneByOne(advances, text)) << size << " " << text.toStdString();
            ASSERT_EQ(advances.width(text), first) << size << " " << text.toStdString();
        }
    }
}

}  // namespace
