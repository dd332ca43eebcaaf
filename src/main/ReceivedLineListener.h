#pragma once

#include <QString>
#include <QStringView>

#include "main/StopCharacters.h"

class LineFacts;

// What the receive pipeline hands on: each received character to the prompt
// automaton, each finished line to the chat view.
class ReceivedLineListener {
public:
    virtual ~ReceivedLineListener() = default;

    // No command is pending or to be armed: only a prompt's ">" can make a
    // step act.
    virtual bool commandIsIdle() const = 0;
    // With a command pending: the characters at which a step could act on
    // this line; steps at the others would do nothing.
    virtual StopCharacters stepStops(const LineFacts& line) const = 0;
    // The main menu's mode is in place: a ">" would change nothing either.
    virtual bool mainModeIsInPlace() const = 0;
    // A character arrived: one step on the current line, `text`.
    virtual void characterReceived(LineFacts& line, QStringView text) = 0;
    // Whether a finished line goes to the chat view.
    virtual bool offerLine(QStringView previousLine, QStringView handle, QStringView message,
                           QStringView finished) const = 0;
    virtual void lineFinished(QStringView handle, QStringView message) = 0;
    // Every finished line as the terminal view shows it, chat line or not.
    virtual void lineClosed(QStringView line) = 0;
};
