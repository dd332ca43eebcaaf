#include "terminal/ControlSequenceReader.h"

#include "common/CharScan.h"
#include "terminal/TerminalSink.h"

namespace {
constexpr char16_t kEsc = 0x1B;
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';

// Everything the reader must look at: C0 controls other than CR and LF
// (which the sink takes as text), DEL and the C1 controls.
struct Special {
    bool operator()(char16_t c) const
    {
        return (c < 0x20 && c != kCR && c != kLF) || (c >= 0x7F && c <= 0x9F);
    }
#if defined(__SSE2__)
    CharScan::Lanes operator()(CharScan::Lanes v) const
    {
        const __m128i zero = _mm_setzero_si128();
        const __m128i c0 = _mm_cmpeq_epi16(_mm_subs_epu16(v, _mm_set1_epi16(0x1F)), zero);
        const __m128i lineEnd =
            _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(kCR)), _mm_cmpeq_epi16(v, _mm_set1_epi16(kLF)));
        const __m128i c1 = _mm_cmpeq_epi16(
            _mm_subs_epu16(_mm_sub_epi16(v, _mm_set1_epi16(0x7F)), _mm_set1_epi16(0x20)), zero);
        return _mm_or_si128(_mm_andnot_si128(lineEnd, c0), c1);
    }
#endif
};

qsizetype findSpecial(const char16_t* chars, qsizetype i, qsizetype n)
{
    return CharScan::findFirst(chars, i, n, Special{});
}

// The 8-colour SGR ranges: 30-37 and 90-97 set the foreground, 40-47 and
// 100-107 the background.
bool inRange(int p, int from)
{
    return p >= from && p <= from + 7;
}
}  // namespace

void ControlSequenceReader::reset()
{
    *this = ControlSequenceReader();
}

void ControlSequenceReader::feed(QStringView text, TerminalSink& sink)
{
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        if (state_ == State::Text) {
            const qsizetype stop = findSpecial(chars, i, n);
            if (stop > i)
                sink.terminalText(text.sliced(i, stop - i));
            if (stop == n)
                return;
            control(chars[stop], sink);
            i = stop + 1;
            continue;
        }
        // Inside a sequence; a character that ends it without belonging to
        // it is read again as text.
        if (step(chars[i], sink))
            ++i;
    }
}

void ControlSequenceReader::control(char16_t c, TerminalSink& sink)
{
    switch (c) {
    case kEsc:
        state_ = State::Escape;
        length_ = 0;
        return;
    case u'\t':
        sink.terminalControl(TerminalControl::Tab);
        return;
    case u'\b':
        sink.terminalControl(TerminalControl::Backspace);
        return;
    case u'\a':
        sink.terminalControl(TerminalControl::Bell);
        return;
    case kCR:
    case kLF:
        sink.terminalText(QStringView(&c, 1));
        return;
    default:
        return;  // NUL, DEL and the rest draw nothing
    }
}

bool ControlSequenceReader::step(char16_t c, TerminalSink& sink)
{
    // A control inside a sequence acts as it would outside; CAN and SUB
    // cancel the sequence, ESC starts a new one.
    const bool inString = state_ == State::String || state_ == State::StringEscape;
    if (c < 0x20) {
        if (c == 0x18 || c == 0x1A)
            state_ = State::Text;
        else if (inString && c == kEsc)
            state_ = State::StringEscape;
        else if (inString && c == u'\a')
            state_ = State::Text;  // BEL ends an OSC
        else if (!inString)
            control(c, sink);  // a string's own controls are part of its text
        return true;
    }
    if (++length_ > (inString ? kMaxStringLength : kMaxCsiLength)) {
        state_ = State::Text;
        return false;
    }
    switch (state_) {
    case State::Escape:
    case State::EscapeIntermediate:
        return escape(c);
    case State::Csi:
        return csi(c, sink);
    case State::String:
        return true;
    case State::StringEscape:
        // ESC \ ends the string; any other ESC sequence ends it too and
        // starts afresh.
        state_ = State::Escape;
        length_ = 0;
        if (c == u'\\') {
            state_ = State::Text;
            return true;
        }
        return escape(c);
    case State::Text:
        break;
    }
    return false;
}

bool ControlSequenceReader::escape(char16_t c)
{
    if (c >= 0x20 && c <= 0x2F) {
        state_ = State::EscapeIntermediate;
        return true;
    }
    if (state_ == State::Escape && c == u'[') {
        startCsi();
        return true;
    }
    if (state_ == State::Escape && (c == u']' || c == u'P' || c == u'X' || c == u'^' || c == u'_')) {
        state_ = State::String;
        length_ = 0;
        return true;
    }
    // A final byte ends the sequence; anything else is not part of one.
    state_ = State::Text;
    return c >= 0x30 && c <= 0x7E;
}

void ControlSequenceReader::startCsi()
{
    state_ = State::Csi;
    length_ = 0;
    private_ = false;
    intermediate_ = false;
    paramCount_ = 0;
    params_.fill(-1);
}

bool ControlSequenceReader::csi(char16_t c, TerminalSink& sink)
{
    if (c >= 0x30 && c <= 0x3F) {
        csiParameter(c);
        return true;
    }
    if (c >= 0x20 && c <= 0x2F) {
        intermediate_ = true;
        return true;
    }
    state_ = State::Text;
    if (c >= 0x40 && c <= 0x7E) {
        dispatchCsi(c, sink);
        return true;
    }
    return false;
}

// Parameters: digits, ";" (and ":", taken the same way) between them; the
// private markers "<=>?" make the sequence one this client ignores. A
// missing parameter is -1, numbers stop growing at 65535.
void ControlSequenceReader::csiParameter(char16_t c)
{
    if (c >= u'<') {
        private_ = true;
        return;
    }
    if (paramCount_ == 0)
        paramCount_ = 1;
    if (c == u';' || c == u':') {
        if (paramCount_ < kMaxParams)
            ++paramCount_;
        return;
    }
    int& p = params_[size_t(paramCount_ - 1)];
    p = qMin((p < 0 ? 0 : p) * 10 + (c - u'0'), 65535);
}

void ControlSequenceReader::dispatchCsi(char16_t final, TerminalSink& sink)
{
    if (final != u'm' || private_ || intermediate_)
        return;
    const TextStyle before = style_;
    selectGraphicRendition();
    if (!(style_ == before))
        sink.terminalStyle(style_);
}

void ControlSequenceReader::selectGraphicRendition()
{
    if (paramCount_ == 0)
        paramCount_ = 1;  // ESC [ m is ESC [ 0 m
    for (int i = 0; i < paramCount_; ++i) {
        const int p = qMax(params_[size_t(i)], 0);
        TextStyle& s = style_;
        if (p == 0)
            s = TextStyle();
        else if (p == 1)
            s.flags |= TextStyle::Bold;
        else if (p == 4)
            s.flags |= TextStyle::Underline;
        else if (p == 7)
            s.flags |= TextStyle::Reverse;
        else if (p == 22)
            s.flags &= quint8(~TextStyle::Bold);
        else if (p == 24)
            s.flags &= quint8(~TextStyle::Underline);
        else if (p == 27)
            s.flags &= quint8(~TextStyle::Reverse);
        else if (inRange(p, 30))
            s.fore = TextStyle::indexed(p - 30);
        else if (inRange(p, 90))
            s.fore = TextStyle::indexed(p - 90 + 8);
        else if (inRange(p, 40))
            s.back = TextStyle::indexed(p - 40);
        else if (inRange(p, 100))
            s.back = TextStyle::indexed(p - 100 + 8);
        else if (p == 39)
            s.fore = TextStyle::kDefault;
        else if (p == 49)
            s.back = TextStyle::kDefault;
        else if (p == 38)
            i += extendedColor(i + 1, s.fore);
        else if (p == 48)
            i += extendedColor(i + 1, s.back);
    }
}

// "5;n" or "2;r;g;b" after 38 or 48; returns how many parameters it took.
// A form cut short takes what is there and changes nothing.
int ControlSequenceReader::extendedColor(int at, quint32& color) const
{
    auto param = [&](int k) { return k < paramCount_ ? qMax(params_[size_t(k)], 0) : -1; };
    const int kind = param(at);
    if (kind == 5) {
        const int n = param(at + 1);
        if (n >= 0 && n <= 255)
            color = TextStyle::indexed(n);
        return qMin(2, paramCount_ - at);
    }
    if (kind == 2) {
        const int r = param(at + 1), g = param(at + 2), b = param(at + 3);
        if (b >= 0)
            color = TextStyle::direct(qMin(r, 255), qMin(g, 255), qMin(b, 255));
        return qMin(4, paramCount_ - at);
    }
    return qMin(1, paramCount_ - at);
}
