#pragma once

#include "common/TimeSource.h"

// Timers on Qt's event loop (QTimer is part of Qt Core).
class QtTimeSource : public TimeSource {
public:
    std::unique_ptr<Timer> createTimer() override;
};
