// What the input line keeps of pasted or inserted text, and where its
// cursor ends up.

#include <gtest/gtest.h>

#include "main/SingleLineText.h"
#include "support/PrintQString.h"

namespace {

struct Case {
    const char* name;
    QString text;
    int cursor;
    QString cleaned;
    int cleanedCursor;
};

TEST(SingleLineTextTest, LineBreaksBecomeOneSpaceAndControlsGo)
{
    const QString nul(QChar(0));
    const Case cases[] = {
        {"plain text is left alone", u"こんにちは\tworld"_qs, 3, u"こんにちは\tworld"_qs, 3},
        {"LF, CR LF and CR each one space", u"line1\nline2\r\nline3\rline4"_qs, 24,
         u"line1 line2 line3 line4"_qs, 23},
        {"two line ends are two spaces", u"a\n\nb\r\n\r\nc"_qs, 9, u"a  b  c"_qs, 7},
        {"LF CR is two breaks", u"a\n\rb"_qs, 0, u"a  b"_qs, 0},
        {"Unicode line ends", QStringLiteral("a\u0085b\u2028c\u2029d"), 7, u"a b c d"_qs, 7},
        {"ESC, BEL, NUL, DEL, C1 removed", u"\x1b[1mA\x07"_qs + nul + u"B\x7f\u009bC"_qs, 11, u"[1mABC"_qs,
         6},
        {"cursor before the change stays", u"ab\x1b"_qs + u"cd"_qs, 1, u"abcd"_qs, 1},
        {"cursor right after a removed one", u"ab\x1b"_qs + u"cd"_qs, 3, u"abcd"_qs, 2},
        {"cursor between CR and LF", u"a\r\nb"_qs, 2, u"a b"_qs, 2},
        {"only controls", u"\x01\x02\x03"_qs, 2, QString(), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QString text = c.text;
        int cursor = c.cursor;
        SingleLineText::Clean(text, cursor);
        EXPECT_EQ(text, c.cleaned);
        EXPECT_EQ(cursor, c.cleanedCursor);
        EXPECT_EQ(SingleLineText::Cleaned(c.text), c.cleaned);
    }
}

TEST(SingleLineTextTest, CleanTextIsNotCopied)
{
    QString text = QString(100000, u'x');
    const QChar* before = text.constData();
    int cursor = 5;
    SingleLineText::Clean(text, cursor);
    EXPECT_EQ(text.constData(), before);
    EXPECT_EQ(cursor, 5);
}

}  // namespace
