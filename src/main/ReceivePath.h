#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include "main/HistoryLimit.h"
#include "main/LineFacts.h"
#include "terminal/TerminalSink.h"
#include "terminal/TextStyle.h"

class GridModel;
class GridView;
class MainWindowPort;
class ReceivedLineListener;

// The receive pipeline: builds the current line in the terminal view from
// the text, controls and styles the byte path delivers (line ends, TAB,
// backspace, the bell), keeps the line's facts for the prompt automaton up
// to date, offers each finished line to the chat view, and keeps the history
// of both views under the memory ceiling.
class ReceivePath : public TerminalSink {
public:
    ReceivePath(GridModel& terminal, GridModel& chat, GridView& terminalView, MainWindowPort& window,
                ReceivedLineListener& next);

    // Redrawing is off from the first begin to the last end, so a block is
    // shown in one go.
    void beginBlock();
    void endBlock();

    // A new, empty current line; a style still in force carries over to it.
    void startLine();
    // No current and no previous line (the views were emptied).
    void clearLines();
    // A new connection starts in the plain style.
    void resetStyle();
    void setMemoryCeiling(qint64 bytes) { memoryCeiling_ = bytes; }
    // Rows each view keeps; 0 keeps them all.
    void setHistoryLimit(int rows) { historyLimit_.setRows(rows); }
    // A line of the client's own in the terminal view, never offered to the
    // chat view; a line being received ends before it.
    void addMarkerLine(QStringView text);

    LineFacts& lineFacts() { return lineFacts_; }
    // The current line as received, read from the terminal view, which holds
    // the only copy; valid until the view changes.
    QStringView currentLine() const;

    // TerminalSink
    void terminalText(QStringView text) override;
    void terminalControl(TerminalControl control) override;
    void terminalStyle(const TextStyle& style) override;

private:
    enum class LineEnd : quint8 { None, CarriageReturn, LineFeed };

    void lineEnd(LineEnd end);
    void tab();
    void backspace();
    void dropBackspacedText();
    void keepHistoryUnderCeiling();
    void keepHistoryWithinLimit();
    // Takes the ordinary characters from i up to the next line end; returns
    // where they end.
    qsizetype receiveRun(QStringView text, qsizetype i);
    // Takes the characters from i up to the next one at which a pending
    // command's step could act; returns where they end.
    qsizetype skipToStepStop(QStringView text, qsizetype i);
    void appendToCurrentLine(QStringView run);
    void catchUpLineFacts();
    void closeCurrentLine(bool offerToChat = true);
    QStringView previousLine() const;
    // Before the oldest `count` rows of the terminal view go: the line before
    // the current one is kept aside if it is among them.
    void holdPreviousLineBeyond(int count);

    GridModel& terminal_;
    GridModel& chat_;
    GridView& terminalView_;
    MainWindowPort& window_;
    ReceivedLineListener& next_;

    // The line before the current one is the terminal view's row above it;
    // when that row was dropped from the history, its text is held here.
    QString heldPreviousLine_;
    bool previousLineHeld_ = false;
    LineFacts lineFacts_;
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
    qint64 memoryCeiling_;
    bool ceilingReported_ = false;
    HistoryLimit historyLimit_;
};
