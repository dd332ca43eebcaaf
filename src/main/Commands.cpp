#include "main/BoardDialogue.h"

#include "controls/GridModel.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"
#include "main/SingleLineText.h"

namespace {
constexpr qsizetype kTipLimit = 10000;  // characters

// The cell's text, or empty when the grid has no such cell.
QString readCell(const GridModel& grid, int col, int row) {
    if (col < 1 || col > grid.columnCount() || row < 1 || row > grid.rowCount())
        return {};
    return grid.text(col, row).toString();
}
}  // namespace

void BoardDialogue::FunctionKeyPressed(int number) {
    if (number < 1 || number > int(captions_.size()))
        return;
    const int item = number - 1;
    const QString caption = captions_[item];
    resumeReplies();

    // The board commands clear their own caption so that each runs once until
    // the next mode change puts it back.
    auto startBoardCommand = [&](const QString& command) {
        setCaption(item, QString());
        pendingCommand_ = command;
        runStep(StepCause::Key);
    };

    if (caption == Captions::LogIn) {
        setCaption(item, QString());
        OpenLine();
    } else if (caption == Captions::Abort) {
        abortConnection();
    } else if (caption == Captions::LogOut) {
        startBoardCommand(QStringLiteral("LogOut"));
    } else if (caption == Captions::ChatIn) {
        startBoardCommand(QStringLiteral("ChatIn"));
    } else if (caption == Captions::ChatOut) {
        startBoardCommand(QStringLiteral("ChatOut"));
    } else if (caption == Captions::SwitchScreen) {
        SwitchScreen(terminal_.isVisible() ? QStringLiteral("Chat") : QStringLiteral("Terminal"));
    } else if (caption == Captions::Settings) {
        window_.openSettingsDialog();
    } else if (caption == Captions::Help) {
        if (currentMode_ == u"Chat")
            send(QStringLiteral("/?"));
        else if (currentMode_ == u"Main")
            send(QStringLiteral("?"));
    } else if (caption == Captions::Exit) {
        window_.exitApplication();
    }
}

void BoardDialogue::InputLineEnter() {
    // One Enter sends one line, and no control character reaches the host as
    // a command, however the text came into the input line.
    const QString line = SingleLineText::Cleaned(window_.inputText());
    // An unsent line stays in the input line, so nothing typed is lost.
    if (!send(line))
        return;
    resumeReplies();
    if (!line.startsWith(u'/') && settings_.LocalEcho)
        PostChatLine(QStringLiteral("発言"), line);
    window_.setInputText(QString());
}

void BoardDialogue::ChatCellDoubleClick(int col, int row) {
    window_.setInputText(window_.inputText() + readCell(chat_, col, row));
    if (col == 1)
        window_.setInputText(window_.inputText() + settings_.HandleSuffix);
}

void BoardDialogue::TimerTick() {
    // Returning to "LineOff" is left to the close notification.
    if (socket_.state() == TelnetSocket::Closing)
        socket_.close();
}

QString BoardDialogue::TipText(QStringView cellText) {
    if (cellText.size() <= kTipLimit)
        return cellText.toString();
    qsizetype cut = kTipLimit;
    if (cellText[cut - 1].isHighSurrogate())
        --cut;  // never leave half a character
    return cellText.first(cut).toString() + u'…';
}
