#pragma once

#include "common/TimeSource.h"

// Timers of the running board, on Qt's event loop.
class QtTimeSource : public TimeSource {
public:
    std::unique_ptr<Timer> createTimer() override;
};
