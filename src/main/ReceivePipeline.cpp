#include "main/BoardDialogue.h"

#include "common/modZkCommon.h"
#include "controls/GridModel.h"

#include <bit>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
// How the host shows the user's own statement.
constexpr QStringView kOwnStatement = u"発言";

// SplitHandle over views of the line, so closing a line copies nothing.
struct SplitLine {
    QStringView handle;
    QStringView message;
};

// The first CR, LF or `prompt` in chars[i..n), or n: the one scan that a run
// of ordinary characters needs (`prompt` is CR when no prompt can matter).
// Eight characters at a time where SSE2 is there (every x86-64), one at a
// time elsewhere.
qsizetype findLineEndOrPrompt(const char16_t* chars, qsizetype i, qsizetype n, char16_t prompt) {
#if defined(__SSE2__)
    const __m128i cr = _mm_set1_epi16(kCR), lf = _mm_set1_epi16(kLF), gt = _mm_set1_epi16(prompt);
    for (; i + 8 <= n; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(chars + i));
        const __m128i hit =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf)), _mm_cmpeq_epi16(v, gt));
        const int mask = _mm_movemask_epi8(hit);
        if (mask != 0)
            return i + std::countr_zero(unsigned(mask)) / 2;
    }
#endif
    while (i < n && chars[i] != kCR && chars[i] != kLF && chars[i] != prompt)
        ++i;
    return i;
}

SplitLine splitLine(QStringView line) {
    const qsizetype mark = line.indexOf(u'>');
    if (mark < 0)
        return {{}, line};
    return {modZkCommon::TrimSpaces(line.left(mark)), line.sliced(mark + 1)};
}
}  // namespace

void BoardDialogue::ReceiveText(QStringView text) {
    terminal_.setRedraw(false);
    if (terminal_.rowCount() == 0) {
        terminal_.setRowCount(1);
        lineFacts_.reset();
    }
    int lastAddressed = terminal_.rowCount();
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = chars[i];
        if (c == kCR) {
            lastAddressed = terminal_.rowCount();
            closeCurrentLine();
            ++i;
        } else if (c == kLF) {
            ++i;
        } else {
            lastAddressed = terminal_.rowCount();
            i = receiveRun(text, i, lastAddressed);
        }
    }
    // A step that a key runs between blocks reads the facts too.
    catchUpLineFacts();
    // Made active before redrawing resumes, so the block is shown in one go.
    terminal_.setActiveCell(1, lastAddressed);
    terminal_.setRedraw(true);
}

// A run of ordinary characters from i up to the next CR or LF; returns where
// it ends. The automaton follows the line one character at a time; the grid
// takes the run in pieces, each brought in before a step that can act, since
// only such a step reads the grid. An idle step is skipped, which is the same
// as running it.
qsizetype BoardDialogue::receiveRun(QStringView text, qsizetype i, int& lastAddressed) {
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    qsizetype runStart = i;
    while (i < n) {
        const bool idle = commandIsIdle();
        if (idle) {
            // With no command pending or to be armed, only a menu prompt's
            // ">" can make the step act (a step at "=" finds nothing to do):
            // the characters before the next ">", or the line end, go in one go.
            // Once the main menu's mode is in place such a step changes
            // nothing, so a flood of ">" goes in one go as well.
            const char16_t prompt = mainModeIsInPlace() ? kCR : u'>';
            const qsizetype stop = findLineEndOrPrompt(chars, i, n, prompt);
            lineFacts_.appendLater(text.sliced(i, stop - i));
            i = stop;
            if (i == n)
                break;
        }
        if (chars[i] == kCR || chars[i] == kLF)
            break;
        lineFacts_.appendLater(text.sliced(i, 1));
        ++i;
        if (idle || !stepIsIdle()) {
            appendToCurrentLine(text.sliced(runStart, i - runStart));
            runStart = i;
            catchUpLineFacts();
            AutoStep();
            lastAddressed = terminal_.rowCount();
        }
    }
    appendToCurrentLine(text.sliced(runStart, i - runStart));
    return i;
}

// The facts of the current line take in what the run left for later,
// reading it where the grid holds it.
void BoardDialogue::catchUpLineFacts() {
    lineFacts_.catchUp(terminal_.text(1, terminal_.rowCount()));
}

void BoardDialogue::appendToCurrentLine(QStringView run) {
    if (!run.isEmpty())
        terminal_.appendText(1, terminal_.rowCount(), run);
}

// Starts a new current line and offers the finished one to the chat view.
void BoardDialogue::closeCurrentLine() {
    const int n = terminal_.rowCount();
    // Both lines are read where the grid holds them: the grid's text only
    // moves when a line is appended to, which nothing below does.
    const QStringView previous = n > 1 ? terminal_.text(1, n - 1) : QStringView();
    const QStringView finished = terminal_.text(1, n);
    const SplitLine line = splitLine(finished);
    const bool offer = offerLine(previous, line.handle, line.message, finished);

    terminal_.setRowCount(n + 1);
    lineFacts_.reset();
    terminal_.setColumnWidth(1, terminal_.maxTextWidth(1));

    // The handle, too, is read where the grid holds it: the chat view then
    // keeps a reference to the terminal's text instead of a copy. The string
    // copies itself if it is ever changed, and lives only for the call.
    if (offer)
        PostChatLine(QString::fromRawData(reinterpret_cast<const QChar*>(line.handle.utf16()),
                                          line.handle.size()),
                     line.message);
}

// The user's own statement is shown once: rule a drops the host's "発言"
// line when local echo has shown it already, rule b drops the repetition
// under the user's handle that follows it; blank lines are never offered.
// The previous line is split only when rule b can apply.
bool BoardDialogue::offerLine(QStringView previousLine, QStringView handle, QStringView message,
                              QStringView finished) const {
    using modZkCommon::TrimSpaces;
    if (handle == kOwnStatement && settings_.LocalEcho)
        return false;
    if (handle == settings_.HandleName) {
        const SplitLine previous = splitLine(previousLine);
        if (TrimSpaces(previous.message) == TrimSpaces(message) && previous.handle == kOwnStatement)
            return false;
    }
    return !TrimSpaces(finished).isEmpty();
}
