#pragma once

#include <QStringView>
#include <QtGlobal>

#include <array>

#include "terminal/TextStyle.h"

class TerminalSink;

// Reads ECMA-48 control sequences out of the decoded text. ESC sequences,
// CSI, OSC and the other string sequences, and the C0 and C1 controls other
// than TAB, CR, LF, BS and BEL never reach the sink as characters; SGR sets
// the style of the text that follows. Cursor addressing and erasure are
// dropped: a history of lines has no screen to address. State is kept across
// blocks, so a sequence may be split anywhere, and a block without controls
// passes to the sink in one piece after one scan.
class ControlSequenceReader {
public:
    // Longest sequences taken: past these, a sequence is abandoned and what
    // follows is shown as text, so a stray ESC cannot swallow the session.
    static constexpr int kMaxCsiLength = 256;
    static constexpr int kMaxStringLength = 4096;

    void feed(QStringView text, TerminalSink& sink);
    // No sequence is half read.
    bool idle() const { return state_ == State::Text; }
    // A new connection: no sequence open, plain style.
    void reset();
    const TextStyle& style() const { return style_; }

private:
    enum class State : quint8 { Text, Escape, EscapeIntermediate, Csi, String, StringEscape };
    static constexpr int kMaxParams = 16;

    // Returns false when the character ends the sequence without being part
    // of it, so the caller takes it as text.
    bool step(char16_t c, TerminalSink& sink);
    bool escape(char16_t c);
    bool csi(char16_t c, TerminalSink& sink);
    void csiParameter(char16_t c);
    void control(char16_t c, TerminalSink& sink);
    void dispatchCsi(char16_t final, TerminalSink& sink);
    void selectGraphicRendition();
    int extendedColor(int at, quint32& color) const;
    void startCsi();

    State state_ = State::Text;
    int length_ = 0;
    bool private_ = false;
    bool intermediate_ = false;
    int paramCount_ = 0;
    std::array<int, kMaxParams> params_{};
    TextStyle style_;
};
