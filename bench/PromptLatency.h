#pragma once

#include <vector>

// Plays the board's log-in prompt over loopback TCP against the client's
// real socket and dialogue: each round writes a chat line and "User ID ",
// then the closing "=" on its own, and waits for the client's reply. The
// board side runs on a thread of its own, so its clock starts at the write
// of the closing byte and stops when the reply's line end has arrived.
// Returns the latencies in seconds; empty when the loopback failed.
std::vector<double> measurePromptLatency(int prompts);
