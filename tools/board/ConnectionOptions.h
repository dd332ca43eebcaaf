#pragma once

#include "SessionStyle.h"

// What every connection of a board is served with.
struct ConnectionOptions {
    static constexpr int kDefaultIdleTimeoutMs = 5 * 60 * 1000;

    SessionStyle style;
    // Negotiate and speak telnet as a telnet daemon does.
    bool telnet = false;
    // A connection that sends nothing for this long is closed; 0 never.
    int idleTimeoutMs = kDefaultIdleTimeoutMs;
    // The board drops each connection this long after it opened, without a
    // word, as a board that restarts does; 0 never.
    int dropAfterMs = 0;
};
