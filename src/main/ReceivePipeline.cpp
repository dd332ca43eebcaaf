#include "main/BoardDialogue.h"

#include "common/modZkCommon.h"
#include "controls/GridModel.h"

namespace {
constexpr char16_t kCR = u'\r';
constexpr char16_t kLF = u'\n';
// How the host shows the user's own statement.
constexpr QStringView kOwnStatement = u"発言";
}  // namespace

void BoardDialogue::ReceiveText(QStringView text) {
    terminal_.setRedraw(false);
    if (terminal_.rowCount() == 0) {
        terminal_.setRowCount(1);
        lineFacts_.reset();
    }
    int lastAddressed = terminal_.rowCount();
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == kCR) {
            lastAddressed = terminal_.rowCount();
            closeCurrentLine();
        } else if (c != kLF) {
            lastAddressed = terminal_.rowCount();
            terminal_.appendChar(1, lastAddressed, c);
            lineFacts_.append(c);
            AutoStep();
        }
    }
    // Made active before redrawing resumes, so the block is shown in one go.
    terminal_.setActiveCell(1, lastAddressed);
    terminal_.setRedraw(true);
}

// Starts a new current line and offers the finished one to the chat view.
void BoardDialogue::closeCurrentLine() {
    const int n = terminal_.rowCount();
    // Split while the grid still holds both lines, so neither is copied whole.
    QString previousHandle, previousMessage, handle, message;
    if (n > 1)
        modZkCommon::SplitHandle(terminal_.text(1, n - 1), previousHandle, previousMessage);
    const QStringView finishedView = terminal_.text(1, n);
    modZkCommon::SplitHandle(finishedView, handle, message);
    const bool offer = offerLine(previousHandle, previousMessage, handle, message, finishedView);

    terminal_.setRowCount(n + 1);
    lineFacts_.reset();
    terminal_.setColumnWidth(1, terminal_.maxTextWidth(1));

    if (offer)
        PostChatLine(handle, message);
}

// The user's own statement is shown once: rule a drops the host's "発言"
// line when local echo has shown it already, rule b drops the repetition
// under the user's handle that follows it; blank lines are never offered.
bool BoardDialogue::offerLine(const QString& previousHandle, const QString& previousMessage,
                              const QString& handle, const QString& message,
                              QStringView finished) const {
    using modZkCommon::TrimSpaces;
    if (handle == kOwnStatement && settings_.LocalEcho)
        return false;
    if (TrimSpaces(previousMessage) == TrimSpaces(message) && previousHandle == kOwnStatement &&
        handle == settings_.HandleName)
        return false;
    return !TrimSpaces(finished).isEmpty();
}
