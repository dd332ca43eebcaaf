#pragma once

#include <functional>

// Runs the event loop until `done` holds or `capMs` has passed; false when
// the cap ran out. The cap only guards against a hang: tests wait on
// conditions, never on time.
bool waitUntil(const std::function<bool()>& done, int capMs = 10000);
