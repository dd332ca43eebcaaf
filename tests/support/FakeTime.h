#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

#include "common/TimeSource.h"

class FakeTimer;

// Time that moves only when a test advances it: timers fire inside advance(),
// in the order they fall due (ties in the order they were started).
class FakeTimeSource : public TimeSource {
public:
    FakeTimeSource() = default;
    FakeTimeSource(const FakeTimeSource&) = delete;
    FakeTimeSource& operator=(const FakeTimeSource&) = delete;
    ~FakeTimeSource() override;

    std::unique_ptr<Timer> createTimer() override;
    qint64 nowMs() const override { return now_; }

    // Moves time forward by `ms`, firing every timer that falls due on the way
    // (a periodic timer as often as its interval fits).
    void advance(qint64 ms);
    qint64 now() const { return now_; }
    int activeTimerCount() const;

private:
    friend class FakeTimer;
    FakeTimer* nextDue(qint64 until) const;

    qint64 now_ = 0;
    quint64 nextSequence_ = 0;
    std::vector<FakeTimer*> timers_;
};
