#include "main/BoardDialogue.h"

#include "controls/GridModel.h"
#include "main/Captions.h"
#include "main/MainWindowPort.h"

void BoardDialogue::OpenLine() {
    // Changes made in the settings dialog since the last connection apply now.
    LoadSettings();
    currentMode_ = QStringLiteral("Main");

    const FontSpec font = settings_.font();
    chat_.setVisible(false);
    chat_.setFont(font);
    terminal_.setVisible(true);
    terminal_.setFont(font);

    window_.setInputEnabled(true);
    window_.focusInput();
    window_.setInputFont(font);

    // Each connection starts its byte path afresh.
    telnet_.reset();
    decoder_.reset();
    controls_.reset();
    style_ = TextStyle();
    styleChanged_ = true;
    lookup_ = Lookup::NotStarted;
    logOutSent_ = false;
    resumeReplies();

    // Until the main menu is reached, F1 stops the attempt: a host that
    // accepts and says nothing must not strand the user.
    setCaption(0, Captions::Abort.toString());
    pendingCommand_ = QStringLiteral("LogIn");
    showState(QStringLiteral("接続中… %1:%2").arg(settings_.ConnectionAddress).arg(settings_.ConnectionPort));
    socket_.setRemoteHost(settings_.ConnectionAddress);
    socket_.setRemotePort(settings_.ConnectionPort);
    socket_.connectToRemote();
}

void BoardDialogue::abortConnection() {
    CloseLine();
    showState(QStringLiteral("接続を中止しました"));
}

void BoardDialogue::CloseLine() {
    returnToLineOff();
}

// Whenever no connection is up the client stands in "LineOff", where the
// log-in key is offered again.
void BoardDialogue::returnToLineOff() {
    if (socket_.state() != TelnetSocket::Closed)
        socket_.close();
    currentMode_ = QStringLiteral("LineOff");
    SetMode(currentMode_);
}
