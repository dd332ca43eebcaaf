#pragma once

#include <QString>

class MainWindowPort;

// The status bar's standing text (connecting, logged in, the menu, the chat
// room), shown again once a passing notice about a sent line has had its turn.
class StatusLine {
public:
    explicit StatusLine(MainWindowPort& window) : window_(window) {}

    // What the status bar shows while nothing else needs saying.
    void showState(const QString& text);
    // A sent line held characters the code page cannot hold.
    void showInexactSend();
    // A line is going out: the notice about the previous one ends here.
    void lineSending();

private:
    MainWindowPort& window_;
    QString stateText_;
    bool inexactShown_ = false;
};
