#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <array>

#include "common/AppSettings.h"
#include "common/Cp932.h"
#include "controls/TelnetSocket.h"
#include "main/LineFacts.h"
#include "main/ReplyGuard.h"
#include "terminal/ControlSequenceReader.h"
#include "terminal/TelnetLayer.h"
#include "terminal/TerminalSink.h"

class GridModel;
class MainWindowPort;
class SettingsStore;
class TimeSource;

// The main window's logic towards the board: the receive pipeline, the
// prompt automaton, modes and captions, the chat view, the connection and
// the commands. It owns no widget; it reaches the window, the socket and
// the two views through narrow interfaces, so it runs the same in tests.
class BoardDialogue : public TelnetSocketListener, private TerminalSink {
public:
    BoardDialogue(SettingsStore& store, TelnetSocket& socket, GridModel& terminal, GridModel& chat,
                  MainWindowPort& window, TimeSource& time);
    ~BoardDialogue() override;

    // Start-up: the settings record from the store.
    void LoadSettings();

    // Screens and modes.
    void SwitchScreen(const QString& word);  // "Init", "Terminal", "Chat"
    void SetMode(const QString& word);       // "LineOff", "Main", "Chat"

    // Receive pipeline and prompt automaton. Bytes from the host pass the
    // telnet layer and the decoder and come to ReceiveText as text, which
    // passes the control-sequence reader into the current line.
    void receiveBytes(QByteArrayView bytes);
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
    void onConnected() override;
    void onBytesReceived(QByteArrayView bytes) override;
    void onCloseByHost() override;
    void onConnectFailed(const QString& reason) override;
    void onSendInexact() override;

private:
    // What ran the step: a received character, or a function key (which
    // looks past spaces after a prompt's closing character).
    enum class StepCause { Character, Key };
    enum class LineEnd : quint8 { None, CarriageReturn, LineFeed };
    // How far the handle lookup of this connection has come.
    enum class Lookup : quint8 { NotStarted, Armed, AskedMenu, AskedListing, Finished };

    // Every reply and typed line goes out here, followed by CR LF. Without a
    // connection nothing is sent and the status bar says so; false then.
    bool send(const QString& text);
    void showState(const QString& text);
    // Typed lines wait in the socket while the host reads nothing; past this
    // they are refused rather than piled up.
    static constexpr qint64 kMaxUnsentBytes = 1 << 20;
    // A reply of the automaton: held back while the reply guard has stopped
    // automatic replies.
    void reply(const QString& text);
    void stopRepliesForRepeats(const QString& text);
    void runStep(StepCause cause);
    void stepCommand(const QString& command, StepCause cause);
    void stepHandleLookup(StepCause cause);
    void applyMenuModes(StepCause cause);
    bool closesWith(LineFacts::Word word, char16_t closing, StepCause cause) const;
    bool menuPrompt(LineFacts::Word menu, StepCause cause) const;
    bool lookupCanStart() const;
    void endLookupWithoutName();
    void resumeReplies();

    // TerminalSink: what the control-sequence reader delivers.
    void terminalText(QStringView text) override;
    void terminalControl(TerminalControl control) override;
    void terminalStyle(const TextStyle& style) override;
    void beginBlock();
    void endBlock();
    void lineEnd(LineEnd end);
    void tab();
    void backspace();
    void dropBackspacedText();
    void startLine();
    void keepHistoryUnderCeiling();

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
    qsizetype receiveRun(QStringView text, qsizetype i);
    void appendToCurrentLine(QStringView run);
    void catchUpLineFacts();
    void closeCurrentLine();
    bool offerLine(QStringView previousLine, QStringView handle, QStringView message,
                   QStringView finished) const;
    void addChatRow(const QString& handle, QStringView message);
    void returnToLineOff();
    void abortConnection();

    SettingsStore& store_;
    TelnetSocket& socket_;
    GridModel& terminal_;
    GridModel& chat_;
    MainWindowPort& window_;
    TimeSource& time_;

    // The byte path, in the order the bytes pass.
    TelnetLayer telnet_;
    Cp932::Decoder decoder_;
    ControlSequenceReader controls_;
    QString decoded_;
    QByteArray answers_;

    // The current line as received, and the one before it.
    QString currentLine_;
    QString previousLine_;
    LineEnd lastEnd_ = LineEnd::None;
    // Characters the cursor stands back from the end of the current line.
    qsizetype backspaces_ = 0;
    // Column of the current line at tabScanned_ characters, for TAB.
    qsizetype tabScanned_ = 0;
    qsizetype tabColumn_ = 0;
    TextStyle style_;
    bool styleChanged_ = false;  // style_ is not yet set where the line stands
    int lastAddressed_ = 0;
    int blockDepth_ = 0;

    ReplyGuard replyGuard_;
    bool repliesStopped_ = false;
    Lookup lookup_ = Lookup::NotStarted;
    bool logOutSent_ = false;
    qint64 memoryCeiling_ = 0;
    bool ceilingReported_ = false;
    QString stateText_;
    QString modeShown_;
    bool inexactShown_ = false;

    AppSettings settings_;
    QString currentMode_;
    QString pendingCommand_;
    std::array<QString, 12> captions_;
    LineFacts lineFacts_;
};
