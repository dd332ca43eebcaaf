#pragma once

#include "main/BoardState.h"

// What the commands ask of the session around them: the actions that
// involve several of its parts.
class SessionActions {
public:
    virtual ~SessionActions() = default;

    virtual void openLine() = 0;
    virtual void abortConnection() = 0;
    // The settings dialog, modal.
    virtual void openSettings() = 0;
    // The command becomes pending and runs one step, as a key runs it.
    virtual void startCommand(Command command) = 0;
    // The host has agreed to echo what the user types (telnet ECHO).
    virtual bool hostEchoes() const = 0;
};
