#include "main/BoardDialogue.h"

#include "controls/GridModel.h"
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

    socket_.setRemoteHost(settings_.ConnectionAddress);
    socket_.setRemotePort(settings_.ConnectionPort);
    socket_.connectToRemote();

    pendingCommand_ = QStringLiteral("LogIn");
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
