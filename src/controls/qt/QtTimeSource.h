#pragma once

#include "common/TimeSource.h"

// The client's timers on Qt's event loop.
class QtTimeSource : public TimeSource {
public:
    std::unique_ptr<Timer> createTimer() override;
};
