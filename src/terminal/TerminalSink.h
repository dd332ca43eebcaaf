#pragma once

#include <QStringView>

#include "terminal/TextStyle.h"

// The controls that reach the terminal as actions rather than characters.
enum class TerminalControl { Tab, Backspace, Bell };

// Where the control-sequence reader delivers what the host sent: visible
// text, line ends and the few controls a line history can show.
class TerminalSink {
public:
    virtual ~TerminalSink() = default;
    // Printable characters, CR and LF; never any other control.
    virtual void terminalText(QStringView text) = 0;
    virtual void terminalControl(TerminalControl control) = 0;
    // Text from here on is drawn in this style.
    virtual void terminalStyle(const TextStyle& style) = 0;
};
