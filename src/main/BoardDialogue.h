#pragma once

#include <QString>
#include <QStringView>

#include <array>

#include "common/AppSettings.h"
#include "controls/TelnetSocket.h"
#include "main/LineFacts.h"

class GridModel;
class MainWindowPort;
class SettingsStore;

// The main window's logic towards the board: the receive pipeline, the
// prompt automaton, modes and captions, the chat view, the connection and
// the commands. It owns no widget; it reaches the window, the socket and
// the two views through narrow interfaces, so it runs the same in tests.
class BoardDialogue : public TelnetSocketListener {
public:
    BoardDialogue(SettingsStore& store, TelnetSocket& socket, GridModel& terminal, GridModel& chat,
                  MainWindowPort& window);
    ~BoardDialogue() override;

    // Start-up: the settings record from the store.
    void LoadSettings();

    // Screens and modes.
    void SwitchScreen(const QString& word);  // "Init", "Terminal", "Chat"
    void SetMode(const QString& word);       // "LineOff", "Main", "Chat"

    // Receive pipeline and prompt automaton.
    void ReceiveText(QStringView text);
    void AutoStep();

    // Chat view.
    bool PostChatLine(QString handle, QStringView message);
    static qint32 HandleColor(QStringView handle, qint32 luminosity);

    // Connection control.
    void OpenLine();
    void CloseLine();

    // Commands: a function key by number (F1 is 1), Enter in the input line.
    void FunctionKeyPressed(int number);
    void InputLineEnter();

    // Grid views and timer: a double click on a chat cell, the periodic
    // socket check, and the tip text for a cell.
    void ChatCellDoubleClick(int col, int row);
    void TimerTick();
    static QString TipText(QStringView cellText);

    // State, read by the window and by tests.
    const QString& CurrentMode() const { return currentMode_; }
    const QString& PendingCommand() const { return pendingCommand_; }
    const AppSettings& Settings() const { return settings_; }
    AppSettings& Settings() { return settings_; }
    const QString& Caption(int item) const { return captions_[item]; }

    // TelnetSocketListener
    void onDataArrival() override;
    void onCloseByHost() override;
    void onConnectFailed(const QString& reason) override;
    void onSendInexact() override;

private:
    // Every reply and typed line goes out here, followed by CR LF. Without a
    // connection nothing is sent and the status bar says so; false then.
    bool send(const QString& text);

    void setCaption(int item, const QString& caption);
    // AutoStep would do nothing at all on the current line: no command is
    // pending or to be armed, and the line does not end in a prompt's
    // closing character. Most received characters leave the step idle.
    bool stepIsIdle() const;
    // No command is pending or to be armed: only a closing character can
    // make the step act.
    bool commandIsIdle() const;
    // Applying "Main" again would change nothing: the mode, its captions and
    // (when the screen follows the mode) the terminal screen are in place.
    bool mainModeIsInPlace() const;
    // Takes the ordinary characters from i up to the next line end; returns
    // where they end.
    qsizetype receiveRun(QStringView text, qsizetype i, int& lastAddressed);
    void appendToCurrentLine(QStringView run);
    void catchUpLineFacts();
    void closeCurrentLine();
    bool offerLine(QStringView previousLine, QStringView handle, QStringView message,
                   QStringView finished) const;
    void addChatRow(const QString& handle, QStringView message);
    void returnToLineOff();

    SettingsStore& store_;
    TelnetSocket& socket_;
    GridModel& terminal_;
    GridModel& chat_;
    MainWindowPort& window_;

    AppSettings settings_;
    QString currentMode_;
    QString pendingCommand_;
    std::array<QString, 12> captions_;
    LineFacts lineFacts_;
};
