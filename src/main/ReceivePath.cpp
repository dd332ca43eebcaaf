#include "main/ReceivePath.h"

#include "common/CharScan.h"
#include "common/Cp932.h"
#include "common/MemoryCeiling.h"
#include "controls/GridModel.h"
#include "controls/GridView.h"
#include "main/MainWindowPort.h"
#include "main/ReceivedLineListener.h"
#include "main/SplitLine.h"

namespace {
constexpr qsizetype kTabWidth = 8;
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
// The first CR, LF or `prompt` in chars[i..n), or n: the one scan that a run
// of ordinary characters needs (`prompt` is CR when no prompt can matter).
struct LineEndOrPrompt {
    char16_t prompt;
    bool operator()(char16_t c) const { return c == kCR || c == kLF || c == prompt; }
#if defined(__SSE2__)
    CharScan::Lanes operator()(CharScan::Lanes v) const
    {
        return _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi16(v, _mm_set1_epi16(kCR)), _mm_cmpeq_epi16(v, _mm_set1_epi16(kLF))),
            _mm_cmpeq_epi16(v, _mm_set1_epi16(prompt)));
    }
#endif
};

qsizetype findLineEndOrPrompt(const char16_t* chars, qsizetype i, qsizetype n, char16_t prompt)
{
    return CharScan::findFirst(chars, i, n, LineEndOrPrompt{prompt});
}

// Columns a character takes in a line: two for what the code page holds in
// two bytes (the full-width forms), one otherwise.
qsizetype columnsOf(char16_t c)
{
    return c >= 0x80 && Cp932::codeOf(c) > 0xFF ? 2 : 1;
}
}  // namespace

ReceivePath::ReceivePath(GridModel& terminal, GridModel& chat, GridView& terminalView, MainWindowPort& window,
                         ReceivedLineListener& next)
    : terminal_(terminal), chat_(chat), terminalView_(terminalView), window_(window), next_(next),
      memoryCeiling_(MemoryCeiling::automatic())
{}

void ReceivePath::beginBlock()
{
    if (blockDepth_++ > 0)
        return;
    terminalView_.setRedraw(false);
    if (terminal_.rowCount() == 0) {
        terminal_.setRowCount(1);
        startLine();
    }
    lastAddressed_ = terminal_.rowCount();
}

void ReceivePath::endBlock()
{
    if (--blockDepth_ > 0)
        return;
    keepHistoryUnderCeiling();
    keepHistoryWithinLimit();
    // A step that a key runs between blocks reads the facts too.
    catchUpLineFacts();
    // Made active before redrawing resumes, so the block is shown in one go.
    terminalView_.setActiveCell(1, lastAddressed_);
    terminalView_.setRedraw(true);
}

// No host may make the process run out of memory: past the ceiling the
// older half of both views goes. The chat view goes first, since its rows
// may hold the terminal's text, which the terminal would otherwise copy to
// it when it packs its own.
void ReceivePath::keepHistoryUnderCeiling()
{
    if (terminal_.memoryUse() + chat_.memoryUse() <= memoryCeiling_)
        return;
    // The current line is never dropped.
    while (terminal_.memoryUse() + chat_.memoryUse() > memoryCeiling_ && terminal_.rowCount() > 1) {
        const int terminalDropped = qMax(1, (terminal_.rowCount() - 1) / 2);
        chat_.dropOldestRows(qMax(1, chat_.rowCount() / 2));
        holdPreviousLineBeyond(terminalDropped);
        terminal_.dropOldestRows(terminalDropped);
        lastAddressed_ = qMax(1, lastAddressed_ - terminalDropped);
    }
    if (!ceilingReported_) {
        ceilingReported_ = true;
        window_.showStatus(QStringLiteral("履歴がメモリの上限に達したため、古い行から消しています"));
    }
}

// Each view drops its oldest rows in one step once it holds a slack more
// than the limit, so a line costs the same however long the session runs.
// The chat view goes first, as above.
void ReceivePath::keepHistoryWithinLimit()
{
    chat_.dropOldestRows(historyLimit_.excess(chat_.rowCount()));
    const int terminalDropped = historyLimit_.excess(terminal_.rowCount());
    holdPreviousLineBeyond(terminalDropped);
    terminal_.dropOldestRows(terminalDropped);
    lastAddressed_ = qMax(1, lastAddressed_ - terminalDropped);
}

void ReceivePath::holdPreviousLineBeyond(int count)
{
    const int previousRow = terminal_.rowCount() - 1;
    if (previousLineHeld_ || previousRow < 1 || count < previousRow)
        return;
    heldPreviousLine_ = terminal_.text(1, previousRow).toString();
    previousLineHeld_ = true;
}

QStringView ReceivePath::previousLine() const
{
    if (previousLineHeld_)
        return heldPreviousLine_;
    const int previousRow = terminal_.rowCount() - 1;
    return previousRow >= 1 ? terminal_.text(1, previousRow) : QStringView();
}

QStringView ReceivePath::currentLine() const
{
    return terminal_.text(1, terminal_.rowCount());
}

void ReceivePath::addMarkerLine(QStringView text)
{
    beginBlock();
    dropBackspacedText();
    // A fragment the host never finished is no chat line.
    if (!currentLine().isEmpty())
        closeCurrentLine(false);
    const TextStyle kept = style_;
    terminalStyle(TextStyle());
    appendToCurrentLine(text);
    closeCurrentLine(false);
    terminalStyle(kept);
    lastAddressed_ = terminal_.rowCount();
    endBlock();
}

void ReceivePath::terminalText(QStringView text)
{
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const char16_t c = chars[i];
        if (c == kCR || c == kLF) {
            lineEnd(c == kCR ? LineEnd::CarriageReturn : LineEnd::LineFeed);
            ++i;
        } else {
            lastEnd_ = LineEnd::None;
            lastAddressed_ = terminal_.rowCount();
            i = receiveRun(text, i);
        }
    }
}

// A line ends at CR, at CR LF, at a bare LF, and at LF CR; CR CR leaves an
// empty line between.
void ReceivePath::lineEnd(LineEnd end)
{
    const bool secondHalf = (end == LineEnd::LineFeed && lastEnd_ == LineEnd::CarriageReturn) ||
                            (end == LineEnd::CarriageReturn && lastEnd_ == LineEnd::LineFeed);
    if (secondHalf) {
        lastEnd_ = LineEnd::None;
        return;
    }
    lastAddressed_ = terminal_.rowCount();
    closeCurrentLine();
    lastEnd_ = end;
}

void ReceivePath::terminalControl(TerminalControl control)
{
    switch (control) {
    case TerminalControl::Tab:
        tab();
        return;
    case TerminalControl::Backspace:
        backspace();
        return;
    case TerminalControl::Bell:
        window_.alertUser();
        return;
    }
}

void ReceivePath::terminalStyle(const TextStyle& style)
{
    style_ = style;
    styleChanged_ = true;
}

// Spaces up to the next multiple of eight columns; a character the code page
// holds in two bytes takes two. The column is counted on from where the last
// TAB left it, so a line with many TABs costs no more than its length.
void ReceivePath::tab()
{
    dropBackspacedText();
    const QStringView line = currentLine();
    const qsizetype n = line.size();
    for (; tabScanned_ < n; ++tabScanned_)
        tabColumn_ += columnsOf(line[tabScanned_].unicode());
    static constexpr char16_t kSpaces[kTabWidth] = {u' ', u' ', u' ', u' ', u' ', u' ', u' ', u' '};
    terminalText(QStringView(kSpaces, kTabWidth - tabColumn_ % kTabWidth));
}

// The cursor steps back over one character; the text stays until the next
// character arrives, which replaces the line from there on.
void ReceivePath::backspace()
{
    const QStringView line = currentLine();
    const qsizetype standing = line.size() - backspaces_;
    if (standing == 0)
        return;
    const bool pair = standing >= 2 && QChar::isLowSurrogate(line[standing - 1].unicode()) &&
                      QChar::isHighSurrogate(line[standing - 2].unicode());
    backspaces_ += pair ? 2 : 1;
}

void ReceivePath::dropBackspacedText()
{
    if (backspaces_ == 0)
        return;
    const QStringView line = currentLine();
    const qsizetype keep = line.size() - backspaces_;
    backspaces_ = 0;
    for (; tabScanned_ > keep; --tabScanned_)
        tabColumn_ -= columnsOf(line[tabScanned_ - 1].unicode());
    terminal_.truncateText(1, terminal_.rowCount(), keep);
    lineFacts_.truncate(currentLine());
}

// A run of ordinary characters from i up to the next CR or LF; returns where
// it ends. The automaton follows the line one character at a time; the line
// takes the run in pieces, each brought in before a step that can act. An
// idle step is skipped, which is the same as running it: with a command
// pending, the automaton names the characters at which a step can act, and
// the characters before the next of them go in one go.
qsizetype ReceivePath::receiveRun(QStringView text, qsizetype i)
{
    dropBackspacedText();
    const char16_t* const chars = text.utf16();
    const qsizetype n = text.size();
    qsizetype runStart = i;
    while (i < n) {
        const bool idle = next_.commandIsIdle();
        if (idle) {
            // With no command pending or to be armed, only a menu prompt's
            // ">" can make the step act (a step at "=" finds nothing to do):
            // the characters before the next ">", or the line end, go in one go.
            // Once the main menu's mode is in place such a step changes
            // nothing, so a flood of ">" goes in one go as well.
            const char16_t prompt = next_.mainModeIsInPlace() ? kCR : u'>';
            const qsizetype stop = findLineEndOrPrompt(chars, i, n, prompt);
            lineFacts_.appendLater(text.sliced(i, stop - i));
            i = stop;
        } else {
            i = skipToStepStop(text, i);
        }
        if (i == n || chars[i] == kCR || chars[i] == kLF)
            break;
        lineFacts_.appendLater(text.sliced(i, 1));
        ++i;
        appendToCurrentLine(text.sliced(runStart, i - runStart));
        runStart = i;
        const QStringView line = currentLine();
        lineFacts_.catchUp(line);
        next_.characterReceived(lineFacts_, line);
        lastAddressed_ = terminal_.rowCount();
    }
    appendToCurrentLine(text.sliced(runStart, i - runStart));
    return i;
}

// The stops are chosen from the facts as they stand, so these are caught up
// first; the line holds everything before i here, and the facts lag only
// after a control split the run.
qsizetype ReceivePath::skipToStepStop(QStringView text, qsizetype i)
{
    catchUpLineFacts();
    const StopCharacters stops = next_.stepStops(lineFacts_);
    const qsizetype stop = stops.find(text.utf16(), i, text.size());
    lineFacts_.appendLater(text.sliced(i, stop - i));
    return stop;
}

void ReceivePath::catchUpLineFacts()
{
    if (!lineFacts_.caughtUp())
        lineFacts_.catchUp(currentLine());
}

void ReceivePath::appendToCurrentLine(QStringView run)
{
    if (run.isEmpty())
        return;
    const int row = terminal_.rowCount();
    if (styleChanged_) {
        terminal_.setStyleFrom(1, row, terminal_.text(1, row).size(), style_);
        styleChanged_ = false;
    }
    terminal_.appendText(1, row, run);
}

void ReceivePath::startLine()
{
    lineFacts_.reset();
    backspaces_ = 0;
    tabScanned_ = 0;
    tabColumn_ = 0;
    styleChanged_ = !style_.isPlain();
}

// Starts a new current line and offers the finished one to the chat view.
void ReceivePath::closeCurrentLine(bool offerToChat)
{
    const int n = terminal_.rowCount();
    // Views of the terminal's own text: the chat view keeps references to
    // it instead of copies. Adding a row leaves the text where it is.
    const QStringView finished = terminal_.text(1, n);
    const SplitLine line = SplitLine::of(finished);
    const bool offer = offerToChat && next_.offerLine(previousLine(), line.handle, line.message, finished);
    next_.lineClosed(finished);

    terminal_.setRowCount(n + 1);
    // The column fits the closed lines, not the one still growing.
    terminalView_.fitColumnToText(1, n);
    previousLineHeld_ = false;
    heldPreviousLine_.clear();
    startLine();

    if (offer)
        next_.lineFinished(line.handle, line.message);
}

void ReceivePath::clearLines()
{
    startLine();
    previousLineHeld_ = false;
    heldPreviousLine_.clear();
}

void ReceivePath::resetStyle()
{
    style_ = TextStyle();
    styleChanged_ = true;
}
