// The control-sequence reader: what of the host's text reaches the terminal
// as text, as controls and as styles, however the text is cut into blocks.

#include <QString>

#include <gtest/gtest.h>

#include <cctype>
#include <ostream>
#include <string>
#include <vector>

#include "support/PrintQString.h"
#include "terminal/ControlSequenceReader.h"
#include "terminal/TerminalSink.h"

using namespace Qt::StringLiterals;

namespace {

TextStyle style(quint32 fore, quint32 back = TextStyle::kDefault, quint8 flags = 0)
{
    return TextStyle{fore, back, flags};
}
constexpr quint32 idx(int n)
{
    return TextStyle::indexed(n);
}

struct Event {
    enum class Kind { Text, Control, Style } kind;
    QString text;
    TerminalControl control = TerminalControl::Tab;
    TextStyle style;
    friend bool operator==(const Event&, const Event&) = default;
    friend void PrintTo(const Event& e, std::ostream* os)
    {
        if (e.kind == Kind::Text)
            *os << "text \"" << e.text.toStdString() << '"';
        else if (e.kind == Kind::Control)
            *os << "control " << int(e.control);
        else
            *os << "style fore " << std::hex << e.style.fore << " back " << e.style.back << " flags "
                << int(e.style.flags) << std::dec;
    }
};

Event text(const QString& t)
{
    return {Event::Kind::Text, t, TerminalControl::Tab, {}};
}
Event control(TerminalControl c)
{
    return {Event::Kind::Control, {}, c, {}};
}
Event styled(const TextStyle& s)
{
    return {Event::Kind::Style, {}, TerminalControl::Tab, s};
}
const Event kTab = control(TerminalControl::Tab);
const Event kBackspace = control(TerminalControl::Backspace);
const Event kBell = control(TerminalControl::Bell);

// Records what the reader delivers; adjacent text pieces are merged, since
// where a block was cut is not the reader's to show.
class RecordingSink : public TerminalSink {
public:
    void terminalText(QStringView t) override
    {
        EXPECT_FALSE(t.isEmpty());
        if (!events.empty() && events.back().kind == Event::Kind::Text)
            events.back().text += t;
        else
            events.push_back(text(t.toString()));
    }
    void terminalControl(TerminalControl c) override { events.push_back(control(c)); }
    void terminalStyle(const TextStyle& s) override { events.push_back(styled(s)); }
    std::vector<Event> events;
};

std::vector<Event> readInPieces(const std::vector<QStringView>& pieces)
{
    ControlSequenceReader reader;
    RecordingSink sink;
    for (QStringView piece : pieces)
        reader.feed(piece, sink);
    return sink.events;
}

const QString kEsc = u"\x1b"_s;
const QString kLongCsi = kEsc + u"["_s + QString(300, u'1') + u"mx"_s;
const QString kLongOsc = kEsc + u"]0;"_s + QString(5000, u'a') + u"\ax"_s;

struct ReaderCase {
    const char* name;
    QString input;
    std::vector<Event> events;
    friend void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }
};

const ReaderCase kReaderCases[] = {
    {"plain text with line ends", u"ようこそ\r\nUser ID= "_s, {text(u"ようこそ\r\nUser ID= "_s)}},
    {"coloured prompt",
     u"\x1b[1;32mUser ID\x1b[0m= "_s,
     {styled(style(idx(2), 0, TextStyle::Bold)), text(u"User ID"_s), styled(TextStyle()), text(u"= "_s)}},
    {"prompt followed by a reset", u"MAIN (C,I,G,?)>\x1b[0m"_s, {text(u"MAIN (C,I,G,?)>"_s)}},
    {"same style twice is told once",
     u"\x1b[31ma\x1b[31mb\x1b[0;31mc"_s,
     {styled(style(idx(1))), text(u"abc"_s)}},
    {"TAB BS BEL", u"a\tb\bc\a"_s, {text(u"a"_s), kTab, text(u"b"_s), kBackspace, text(u"c"_s), kBell}},
    {"OSC title ended by BEL", u"a\x1b]0;ZKT board\ab"_s, {text(u"ab"_s)}},
    {"OSC title ended by ESC backslash", u"a\x1b]2;ZKT board\x1b\\b"_s, {text(u"ab"_s)}},
    {"long OSC title ended by ESC backslash",
     u"a"_s + kEsc + u"]0;"_s + QString(300, u't') + kEsc + u"\\b"_s,
     {text(u"ab"_s)}},
    {"OSC ended by another sequence", u"\x1b]0;t\x1b[31mX"_s, {styled(style(idx(1))), text(u"X"_s)}},
    {"DCS SOS PM APC skipped",
     u"\x1bPq#0\x1b\\a\x1bXs\x1b\\b\x1b^p\x1b\\c\x1b_a\x1b\\d"_s,
     {text(u"abcd"_s)}},
    {"cursor moves and erasures",
     u"\x1b[2J\x1b[Hx\x1b[10;20H\x1b[K\x1b[3Ay\x1b[?25l\x1b[1;24r"_s,
     {text(u"xy"_s)}},
    {"ESC ( B and other ESC sequences",
     u"a\x1b(Bb\x1b"
     u"7c\x1b"
     u"8\x1b=d\x1b)0e"_s,
     {text(u"abcde"_s)}},
    {"ESC before a character that ends nothing", u"a\x1bあb"_s, {text(u"aあb"_s)}},
    {"ESC ESC starts afresh", u"\x1b\x1b[31mX"_s, {styled(style(idx(1))), text(u"X"_s)}},
    {"DEL and C1 dropped",
     u"a\x7f"
     u"b\u0085c\u009b31md\u009f"_s,
     {text(u"abc31md"_s)}},
    {"NUL and other C0 dropped",
     u"a\r\0\x01\x0e\x0f\x1c"
     u"b"_s,
     {text(u"a\rb"_s)}},
    {"CAN inside CSI cancels it", u"a\x1b[31\x18mb"_s, {text(u"amb"_s)}},
    {"SUB inside CSI cancels it", u"a\x1b[31\x1amb"_s, {text(u"amb"_s)}},
    {"line ends inside an OSC title are part of it", u"a\x1b]0;one\r\ntwo\tthree\ab"_s, {text(u"ab"_s)}},
    {"CAN inside OSC cancels it",
     u"a\x1b]0;t\x18"
     u"b"_s,
     {text(u"ab"_s)}},
    {"control inside CSI acts", u"\x1b[3\t1mX"_s, {kTab, styled(style(idx(1))), text(u"X"_s)}},
    {"ESC inside CSI starts afresh", u"\x1b[31\x1b[32mX"_s, {styled(style(idx(2))), text(u"X"_s)}},
    {"CSI ended by a character outside it", u"\x1b[31あ"_s, {text(u"あ"_s)}},
    {"CSI with intermediate is no SGR", u"\x1b[1 mX"_s, {text(u"X"_s)}},
    {"CSI at its longest is taken",
     kEsc + u"["_s + QString(ControlSequenceReader::kMaxCsiLength - 3, u'0') + u"31mX"_s,
     {styled(style(idx(1))), text(u"X"_s)}},
    {"over-long CSI abandoned",
     kLongCsi,
     {text(QString(300 - ControlSequenceReader::kMaxCsiLength, u'1') + u"mx"_s)}},
    {"over-long OSC abandoned",
     kLongOsc,
     {text(QString(5000 + 2 - ControlSequenceReader::kMaxStringLength, u'a')), kBell, text(u"x"_s)}},
};

class ReaderCases : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReaderCases, WholeCutAnywhereAndCharacterByCharacter)
{
    const ReaderCase& c = GetParam();
    const QStringView input = c.input;
    EXPECT_EQ(readInPieces({input}), c.events) << "whole";
    for (qsizetype cut = 1; cut < input.size(); ++cut)
        ASSERT_EQ(readInPieces({input.first(cut), input.sliced(cut)}), c.events) << "cut at " << cut;
    std::vector<QStringView> single;
    for (qsizetype i = 0; i < input.size(); ++i)
        single.push_back(input.sliced(i, 1));
    EXPECT_EQ(readInPieces(single), c.events) << "character by character";
}

std::string testName(const char* name)
{
    std::string out;
    for (const char* p = name; *p; ++p)
        out += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
    return out;
}

INSTANTIATE_TEST_SUITE_P(Reader, ReaderCases, ::testing::ValuesIn(kReaderCases),
                         [](const auto& info) { return testName(info.param.name); });

// SGR parameters read after a sequence that set the style before.
struct SgrCase {
    QString params;
    QString before;  // the SGR parameters that set the style first
    TextStyle after;
};

TEST(ControlSequenceReader, SelectGraphicRendition)
{
    const QString all = u"1;4;7;31;44"_s;
    const TextStyle red = style(idx(1));
    const quint8 allFlags = TextStyle::Bold | TextStyle::Underline | TextStyle::Reverse;
    const SgrCase cases[] = {
        {u"1"_s, {}, style(0, 0, TextStyle::Bold)},
        {u"4"_s, {}, style(0, 0, TextStyle::Underline)},
        {u"7"_s, {}, style(0, 0, TextStyle::Reverse)},
        {u"22"_s, all, style(idx(1), idx(4), TextStyle::Underline | TextStyle::Reverse)},
        {u"24"_s, all, style(idx(1), idx(4), TextStyle::Bold | TextStyle::Reverse)},
        {u"27"_s, all, style(idx(1), idx(4), TextStyle::Bold | TextStyle::Underline)},
        {u"0"_s, all, {}},
        {u""_s, all, {}},
        {u"30"_s, {}, style(idx(0))},
        {u"37"_s, {}, style(idx(7))},
        {u"90"_s, {}, style(idx(8))},
        {u"97"_s, {}, style(idx(15))},
        {u"40"_s, {}, style(0, idx(0))},
        {u"47"_s, {}, style(0, idx(7))},
        {u"100"_s, {}, style(0, idx(8))},
        {u"107"_s, {}, style(0, idx(15))},
        {u"39"_s, all, style(0, idx(4), allFlags)},
        {u"49"_s, all, style(idx(1), 0, allFlags)},
        {u"38;5;200"_s, {}, style(idx(200))},
        {u"48;5;17"_s, {}, style(0, idx(17))},
        {u"38:5:200"_s, {}, style(idx(200))},
        {u"38;2;1;2;3"_s, {}, style(TextStyle::direct(1, 2, 3))},
        {u"48;2;255;0;128"_s, {}, style(0, TextStyle::direct(255, 0, 128))},
        {u"38;5;9;4"_s, {}, style(idx(9), 0, TextStyle::Underline)},
        {u"38;2;1;2;3;1"_s, {}, style(TextStyle::direct(1, 2, 3), 0, TextStyle::Bold)},
        {u"1;31;0"_s, {}, {}},
        {u"0;1;32"_s, u"31"_s, style(idx(2), 0, TextStyle::Bold)},
        {u"38;5;256"_s, u"31"_s, red},
        {u"38;5"_s, u"31"_s, red},
        {u"38"_s, u"31"_s, red},
        {u"38;2;1;2"_s, u"31"_s, red},
        {u"2;5;8;53"_s, u"31"_s, red},
        {u"?4"_s, {}, {}},
        {u">1"_s, {}, {}},
        {u"<1"_s, {}, {}},
        {u"=1"_s, {}, {}},
    };
    for (const SgrCase& c : cases) {
        SCOPED_TRACE(c.params.toStdString());
        ControlSequenceReader reader;
        RecordingSink sink;
        if (!c.before.isEmpty())
            reader.feed(kEsc + u"["_s + c.before + u"m"_s, sink);
        const TextStyle before = reader.style();
        sink.events.clear();
        reader.feed(kEsc + u"["_s + c.params + u"m"_s, sink);
        EXPECT_EQ(reader.style(), c.after);
        const std::vector<Event> told =
            c.after == before ? std::vector<Event>{} : std::vector<Event>{styled(c.after)};
        EXPECT_EQ(sink.events, told) << "a style is told only when it changes";
    }
}

TEST(ControlSequenceReader, ResetEndsAnOpenSequenceAndTheStyle)
{
    ControlSequenceReader reader;
    RecordingSink sink;
    reader.feed(u"\x1b[31mred\x1b]0;tit"_s, sink);
    reader.reset();
    EXPECT_TRUE(reader.style().isPlain());
    sink.events.clear();
    reader.feed(u"le\a"_s, sink);
    EXPECT_EQ(sink.events, (std::vector<Event>{text(u"le"_s), kBell}));
}

}  // namespace
