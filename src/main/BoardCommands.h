#pragma once

#include <QString>
#include <QStringView>

struct AppSettings;
class BoardModes;
class ChatFilter;
class Connection;
class GridModel;
class GridView;
class MainWindowPort;
class PromptAutomaton;
class SessionActions;

// The commands: a function key by its caption, Enter in the input line, a
// double click quoting a chat cell, the timer's socket check, and the tip
// text of a cell.
class BoardCommands {
public:
    struct Parts {
        BoardModes& modes;
        PromptAutomaton& automaton;
        ChatFilter& chatFilter;
        Connection& connection;
        SessionActions& actions;
    };

    BoardCommands(Parts parts, GridView& terminalView, GridModel& chat, MainWindowPort& window,
                  const AppSettings& settings);

    // F1 is 1.
    void functionKeyPressed(int number);
    void inputLineEnter();
    void chatCellDoubleClick(int col, int row);
    void timerTick();
    static QString tipText(QStringView cellText);

private:
    Parts parts_;
    GridView& terminalView_;
    GridModel& chat_;
    MainWindowPort& window_;
    const AppSettings& settings_;
};
