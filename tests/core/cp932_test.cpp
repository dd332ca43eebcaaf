#include "common/Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool isLead(int b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool isTrail(int b)
{
    return b >= 0x40 && b <= 0xFC && b != 0x7F;
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QString decodeAll(const QByteArray& in)
{
    Cp932::Decoder decoder;
    QString out;
    decoder.decode(in, out);
    decoder.finish(out);
    return out;
}

// Code page 932 for a single byte that is not a lead byte, from its layout:
// ASCII unchanged, half-width katakana, nothing else defined.
char16_t expectedSingle(int b)
{
    if (b < 0x80)
        return char16_t(b);
    if (b >= 0xA1 && b <= 0xDF)
        return char16_t(0xFF61 + (b - 0xA1));
    return kReplacement;
}

// ICU's "windows-31j" agrees with code page 932 on every byte pair (it differs
// only on three control codes and on undefined single bytes), so it is an
// independent reference for the double-byte table.
QString icuDecodePair(int lead, int trail)
{
    QStringDecoder icu("windows-31j");
    return icu.decode(bytes({lead, trail}));
}

// ICU's choice of code for one character, or -1.
int icuCodeOf(char16_t ch)
{
    QStringEncoder icu("windows-31j");
    const QByteArray out = icu.encode(QStringView(&ch, 1));
    if (icu.hasError() || out.isEmpty() || out == "\xFC\xFC")
        return -1;
    if (out.size() == 1)
        return quint8(out[0]);
    return quint8(out[0]) * 256 + quint8(out[1]);
}

QByteArray codeBytes(int code)
{
    return code > 0xFF ? bytes({code >> 8, code & 0xFF}) : bytes({code});
}

TEST(Cp932Decode, EverySingleByteThatIsNotALead)
{
    for (int b = 0; b < 256; ++b) {
        if (isLead(b))
            continue;
        const QString out = decodeAll(bytes({b}));
        ASSERT_EQ(out.size(), 1) << "byte " << b;
        EXPECT_EQ(out[0].unicode(), expectedSingle(b)) << "byte " << b;
    }
}

TEST(Cp932Decode, EveryPairWithAValidTrailMatchesTheReference)
{
    int defined = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isTrail(trail))
                continue;
            const QString ours = decodeAll(bytes({lead, trail}));
            const QString reference = icuDecodePair(lead, trail);
            ASSERT_EQ(ours.size(), 1) << std::hex << lead << " " << trail;
            EXPECT_EQ(ours, reference) << std::hex << lead << " " << trail;
            defined += ours[0] != QChar(kReplacement);
        }
    }
    EXPECT_EQ(defined, 9604);  // the double-byte codes, the user-defined area included
}

TEST(Cp932Decode, LeadFollowedByANonTrailYieldsReplacementThenTheByte)
{
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(lead))
            continue;
        for (int next = 0; next < 256; ++next) {
            if (isTrail(next))
                continue;
            QString expected{QChar(kReplacement)};
            expected += decodeAll(bytes({next}));
            EXPECT_EQ(decodeAll(bytes({lead, next})), expected) << std::hex << lead << " " << next;
        }
    }
}

TEST(Cp932Decode, SpotChecks)
{
    struct Case {
        QByteArray in;
        QString out;
    };
    const std::vector<Case> cases = {
        {bytes({0x81, 0x60}), QStringLiteral(u"\uFF5E")},
        {bytes({0x81, 0x5C}), QStringLiteral(u"\u2015")},
        {bytes({0x87, 0x40}), QStringLiteral(u"\u2460")},
        {bytes({0x82, 0xA0}), QStringLiteral(u"あ")},
        {bytes({0x93, 0xFA, 0x96, 0x7B}), QStringLiteral(u"日本")},
        {bytes({0xFA, 0x40}), QStringLiteral(u"\u2170")},
        {bytes({0xF0, 0x40}), QStringLiteral(u"\uE000")},
        {bytes({0xA1}), QStringLiteral(u"\uFF61")},
        {bytes({0xDF}), QStringLiteral(u"\uFF9F")},
        {bytes({0x5C, 0x7E, 0x1A, 0x1C, 0x7F}), QStringLiteral(u"\\~\u001A\u001C\u007F")},
        {bytes({0x85, 0x40}), QStringLiteral(u"\uFFFD")},
        {bytes({0x82, 0x0D, 0x0A}), QStringLiteral(u"\uFFFD\r\n")},
        {bytes({0x82, 0x40, 0x41}), QStringLiteral(u"\uFFFDA")},  // 0x82 0x40 is undefined
        {bytes({0x41, 0x80, 0xA0, 0xFD, 0xFE, 0xFF, 0x42}),
         QStringLiteral(u"A\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDB")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(decodeAll(c.in), c.out) << c.in.toHex().constData();
}

QByteArray mixedSample()
{
    QByteArray sample = "ab\r\n";
    sample += bytes({0x93, 0xFA, 0x96, 0x7B, 0xB1, 0xB2, 0x81, 0x60, 0x87, 0x40});
    sample += "xyz12345678";
    sample += bytes({0x82, 0x0D, 0xE0, 0x40, 0x80, 0xFC, 0x4B, 0x9F, 0xFC});
    return sample;
}

TEST(Cp932Decode, SplittingTheInputAnywhereGivesTheSameText)
{
    const QByteArray sample = mixedSample();
    const QString whole = decodeAll(sample);
    for (qsizetype cut = 0; cut <= sample.size(); ++cut) {
        Cp932::Decoder decoder;
        QString out;
        decoder.decode(sample.first(cut), out);
        decoder.decode(sample.sliced(cut), out);
        decoder.finish(out);
        EXPECT_EQ(out, whole) << "cut at " << cut;
    }
    Cp932::Decoder decoder;
    QString byteByByte;
    for (char b : sample)
        decoder.decode(QByteArrayView(&b, 1), byteByByte);
    decoder.finish(byteByByte);
    EXPECT_EQ(byteByByte, whole);
}

TEST(Cp932Decode, HeldLeadByte)
{
    Cp932::Decoder decoder;
    EXPECT_EQ(decoder.decode(bytes({0x41, 0x82})), QStringLiteral(u"A"));
    EXPECT_TRUE(decoder.hasPendingByte());
    EXPECT_EQ(decoder.decode(bytes({0xA0})), QStringLiteral(u"あ"));
    EXPECT_FALSE(decoder.hasPendingByte());

    EXPECT_EQ(decoder.decode(bytes({0x82})), QString());
    EXPECT_EQ(decoder.decode(bytes({0x0D})), QStringLiteral(u"\uFFFD\r"));

    EXPECT_EQ(decoder.decode(bytes({0x82})), QString());
    EXPECT_EQ(decoder.decode(QByteArray()), QString());
    EXPECT_TRUE(decoder.hasPendingByte());
    QString out = QStringLiteral(u"kept");
    decoder.finish(out);
    EXPECT_EQ(out, QStringLiteral(u"kept\uFFFD"));
    EXPECT_EQ(decoder.decode(bytes({0xA0})), QStringLiteral(u"\uFFFD"));

    QString nothing;
    decoder.finish(nothing);
    EXPECT_TRUE(nothing.isEmpty());

    decoder.decode(bytes({0x82}));
    decoder.reset();
    EXPECT_EQ(decoder.decode(bytes({0xA0})), QStringLiteral(u"\uFFFD"));
}

TEST(Cp932Decode, AppendsToWhatTheCallerHolds)
{
    Cp932::Decoder decoder;
    QString out = QStringLiteral(u"前");
    decoder.decode(QByteArray("abc"), out);
    decoder.decode(bytes({0x93, 0xFA}), out);
    EXPECT_EQ(out, QStringLiteral(u"前abc日"));
}

TEST(Cp932Encode, EveryCharacterThatDecodesRoundTrips)
{
    std::vector<QByteArray> codes;
    for (int b = 0; b < 256; ++b) {
        if (!isLead(b))
            codes.push_back(bytes({b}));
        for (int trail = 0x40; isLead(b) && trail <= 0xFC; ++trail)
            codes.push_back(bytes({b, trail}));
    }
    for (const QByteArray& code : codes) {
        const QString text = decodeAll(code);
        if (text.size() != 1 || text[0] == QChar(kReplacement))
            continue;
        const Cp932::Encoded encoded = Cp932::encode(text);
        EXPECT_TRUE(encoded.exact) << code.toHex().constData();
        EXPECT_EQ(decodeAll(encoded.bytes), text) << code.toHex().constData();
        EXPECT_EQ(codeBytes(Cp932::codeOf(text[0].unicode())), encoded.bytes);
    }
}

TEST(Cp932Encode, PicksTheCodeWindowsWrites)
{
    struct Case {
        char16_t ch;
        int code;
    };
    const std::vector<Case> cases = {
        {u'\\', 0x5C},    {u'~', 0x7E},     {0x001A, 0x1A},   {0x0000, 0x00},   {0xFF5E, 0x8160},
        {0x301C, 0x8160}, {0x2212, 0x817C}, {0x00AC, 0x81CA}, {0xFFE2, 0x81CA}, {0x2235, 0x81E6},
        {0x2252, 0x81E0}, {0x2160, 0x8754}, {0x2170, 0xFA40}, {0x7E8A, 0xFA5C}, {0x3231, 0x878A},
        {0xFF61, 0xA1},   {0x0080, -1},     {0xF8F0, -1},     {0x00A5, -1},     {0x20AC, -1},
        {0xFFFD, -1},     {0xD842, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Cp932::codeOf(c.ch), c.code) << std::hex << int(c.ch);
}

// Besides the three control codes ICU swaps, Windows' encoder (and ours) takes
// six look-alikes that ICU refuses, and ICU takes one private character.
TEST(Cp932Encode, EveryCharacterAgreesWithTheReference)
{
    const std::vector<char16_t> knownDifferences = {0x001A, 0x001C, 0x007F, 0x00A2, 0x00A3,
                                                    0x00AC, 0x2016, 0x2212, 0x301C, 0xF86F};
    for (int c = 0; c < 0x10000; ++c) {
        const auto ch = char16_t(c);
        if (QChar::isSurrogate(ch) || std::count(knownDifferences.begin(), knownDifferences.end(), ch))
            continue;
        ASSERT_EQ(Cp932::codeOf(ch), icuCodeOf(ch)) << std::hex << c;
    }
}

TEST(Cp932Encode, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    struct Case {
        QString text;
        QByteArray out;
        bool exact;
    };
    const QChar loneHigh(char16_t(0xD842));
    const QChar loneLow(char16_t(0xDFB7));
    const std::vector<Case> cases = {
        {QString(), QByteArray(), true},
        {QStringLiteral(u"abc\r\n"), "abc\r\n", true},
        {QStringLiteral(u"日本ｱ"), bytes({0x93, 0xFA, 0x96, 0x7B, 0xB1}), true},
        {QStringLiteral(u"a€b"), "a?b", false},
        {QStringLiteral(u"𠮷"), "?", false},
        {QStringLiteral(u"x𠮷𠮷y"), "x??y", false},
        {QString(loneHigh), "?", false},
        {QString(loneLow) + u'a', "?a", false},
        {QString(loneHigh) + loneHigh + loneLow, "??", false},
        {QStringLiteral(u"?"), "?", true},
    };
    for (const Case& c : cases) {
        const Cp932::Encoded encoded = Cp932::encode(c.text);
        EXPECT_EQ(encoded.bytes, c.out) << c.text.toStdString();
        EXPECT_EQ(encoded.exact, c.exact) << c.text.toStdString();
    }
}

}  // namespace
