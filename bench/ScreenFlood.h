#pragma once

#include <vector>

// The whole client on screen: the real main window (shown on the current
// platform) against a board thread flooding it over loopback TCP.

// Seconds of wall time from the board's first byte until `bytes` of board
// traffic (the log-in, then code page 932 chat lines) have all been taken in
// and the view showing them has painted after the last row arrived; 0 when
// the loopback failed or the last row never showed.
struct ScreenIngest {
    double seconds = 0;
    double workSeconds = 0;  // the client thread's work over the same span (Measure::Stopwatch)
    double bytes = 0;
    double rows = 0;  // rows of the terminal view
};
ScreenIngest measureScreenIngest(double megabytes);

// While the board floods, a typist thread posts a few keys and then Enter to
// the input line every `intervalMs`. Latencies in seconds, from posting to
// the keys shown in the input line and from posting Enter to the line's
// arrival at the board; rounds that never arrived are counted.
struct TypingDuringFlood {
    std::vector<double> shown;
    std::vector<double> enter;
    int rounds = 0;
    int lost = 0;
    double floodMbps = 0;  // what the board got written meanwhile
};
TypingDuringFlood measureTypingDuringFlood(int rounds, int intervalMs);
