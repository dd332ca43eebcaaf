#include "main/BoardDialogue.h"

#include "common/modZkCommon.h"
#include "controls/GridModel.h"

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
            continue;
        }
        if (c == kLF) {
            ++i;
            continue;
        }
        // A run of ordinary characters. The automaton follows the line one
        // character at a time; the grid takes the run in pieces, each brought
        // in before a step that can act, since only such a step reads the grid.
        // An idle step is skipped, which is the same as running it.
        lastAddressed = terminal_.rowCount();
        qsizetype runEnd = i;
        while (runEnd < n && chars[runEnd] != kCR && chars[runEnd] != kLF)
            ++runEnd;
        qsizetype runStart = i;
        while (i < runEnd) {
            if (commandIsIdle()) {
                // Only a closing character can wake the step: take the
                // characters before the next one in one go.
                const qsizetype from = i;
                while (i < runEnd && chars[i] != u'>' && chars[i] != u'=')
                    ++i;
                lineFacts_.append(text.sliced(from, i - from));
                if (i == runEnd)
                    break;
            }
            lineFacts_.append(chars[i]);
            ++i;
            if (!stepIsIdle()) {
                appendToCurrentLine(text.sliced(runStart, i - runStart));
                runStart = i;
                AutoStep();
                lastAddressed = terminal_.rowCount();
            }
        }
        appendToCurrentLine(text.sliced(runStart, runEnd - runStart));
    }
    // Made active before redrawing resumes, so the block is shown in one go.
    terminal_.setActiveCell(1, lastAddressed);
    terminal_.setRedraw(true);
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
