#pragma once

#include <functional>

// Runs the event loop until `done` holds or `capMs` has passed; false when
// the cap ran out. The cap only guards against a hang: tests wait on
// conditions, never on time.
bool waitUntil(const std::function<bool()>& done, int capMs = 60000);

// Lets everything already queued run, so that what did not happen is seen
// not to have happened.
void settle();
