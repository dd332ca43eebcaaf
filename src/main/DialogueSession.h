#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "common/AppSettings.h"
#include "controls/TelnetSocket.h"
#include "main/BoardCommands.h"
#include "main/BoardModes.h"
#include "main/BoardState.h"
#include "main/ChatFilter.h"
#include "main/ChatRowListener.h"
#include "main/Connection.h"
#include "main/PromptAutomaton.h"
#include "main/ReceivePath.h"
#include "main/ReceivedLineListener.h"
#include "main/Reconnector.h"
#include "main/SessionActions.h"
#include "main/StatusLine.h"
#include "log/SessionLog.h"
#include "terminal/BytePath.h"

class GridModel;
class GridView;
class MainWindowPort;
class SettingsStore;
class TimeSource;

// The main window's logic towards the board, composed of its parts: bytes
// from the socket pass the byte path into the receive pipeline, whose
// characters and lines go to the prompt automaton and the chat view, whose
// replies go out through the connection. It owns no widget; it reaches the
// window, the socket and the two views through narrow interfaces, so it runs
// the same in tests.
class DialogueSession : public TelnetSocketListener,
                        private ReceivedLineListener,
                        private SessionActions,
                        private ChatRowListener {
public:
    DialogueSession(SettingsStore& store, TelnetSocket& socket, GridModel& terminal, GridModel& chat,
                    GridView& terminalView, GridView& chatView, MainWindowPort& window, TimeSource& time);
    ~DialogueSession() override;

    // Start-up: the settings record from the store.
    void loadSettings();

    void switchScreen(Screen screen);
    void setMode(Mode mode) { modes_.setMode(mode); }

    void receiveBytes(QByteArrayView bytes);
    void receiveText(QStringView text);
    bool postChatLine(QString handle, QStringView message)
    {
        return chatFilter_.postChatLine(handle, message);
    }

    // The chat view's own background, which speaker colours are made readable on.
    void setChatBackground(qint32 colour) { chatFilter_.setBackground(colour); }

    void openLine() override;
    void closeLine();

    void functionKeyPressed(int number) { commands_.functionKeyPressed(number); }
    void inputLineEnter() { commands_.inputLineEnter(); }
    void chatCellDoubleClick(int col, int row) { commands_.chatCellDoubleClick(col, row); }
    void timerTick() { commands_.timerTick(); }
    // Before the process ends: what the logs buffer goes out.
    void flushLogs() { log_.flush(); }

    // State, read by the window and by tests.
    Mode currentMode() const { return modes_.current(); }
    Command pendingCommand() const { return automaton_.pendingCommand(); }
    const Reconnector& reconnector() const { return reconnector_; }
    const AppSettings& settings() const { return settings_; }
    AppSettings& settings() { return settings_; }
    const QString& caption(int item) const { return modes_.caption(item); }

    // TelnetSocketListener
    void onConnected() override;
    void onBytesReceived(QByteArrayView bytes) override;
    void onCloseByHost() override;
    void onConnectFailed(const QString& reason) override;
    void onSendInexact() override;

private:
    // ReceivedLineListener
    bool commandIsIdle() const override { return automaton_.commandIsIdle(); }
    StopCharacters stepStops(const LineFacts& line) const override { return automaton_.stepStops(line); }
    bool mainModeIsInPlace() const override { return modes_.mainModeIsInPlace(); }
    void characterReceived(LineFacts& line, QStringView text) override;
    bool offerLine(QStringView previousLine, QStringView handle, QStringView message,
                   QStringView finished) const override;
    void lineFinished(QStringView handle, QStringView message) override;
    void lineClosed(QStringView line) override { log_.terminalLine(line); }

    // ChatRowListener
    void chatRowAdded(int row, QStringView handle, QStringView message) override;

    // SessionActions
    void abortConnection() override;
    void openSettings() override;
    void startCommand(Command command) override;
    bool hostEchoes() const override { return bytePath_.hostEchoes(); }

    void prepareViewsForConnection();
    void connectLine();
    // Marker rows in both views where the host ended the connection.
    void markBreak();
    // The host ended the connection or an attempt of ours failed: another
    // attempt follows when the user wants it and did not end the session.
    void reconnectIfWanted(bool failedAttempt);
    void showReconnectCountdown(int secondsLeft);
    // Whenever no connection is up the client stands in LineOff, where the
    // log-in key is offered again.
    void returnToLineOff();

    SettingsStore& store_;
    TelnetSocket& socket_;
    GridModel& terminal_;
    GridModel& chat_;
    GridView& terminalView_;
    GridView& chatView_;
    MainWindowPort& window_;

    AppSettings settings_;
    StatusLine status_;
    Connection connection_;
    BoardModes modes_;
    ChatFilter chatFilter_;
    PromptAutomaton automaton_;
    ReceivePath receivePath_;
    BytePath bytePath_;
    BoardCommands commands_;
    TimeSource& time_;
    SessionLog log_;
    Reconnector reconnector_;
};
