#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

#include "common/TimeSource.h"

class FakeTimer;

// Time that moves only when the caller advances it: timers fire inside
// advance(), in the order they fall due (ties in the order they were
// started). Set running fast, every reading of the clock also moves it on,
// without firing timers: a benchmark that answers the same prompt thousands
// of times gets past the guard against repeated replies.
class FakeTimeSource : public TimeSource {
public:
    FakeTimeSource() = default;
    FakeTimeSource(const FakeTimeSource&) = delete;
    FakeTimeSource& operator=(const FakeTimeSource&) = delete;
    ~FakeTimeSource() override;

    std::unique_ptr<Timer> createTimer() override;
    qint64 nowMs() const override { return now_ += msPerReading_; }
    // The wall clock: the local time set last, moved on as time advances.
    QDateTime localNow() const override { return localStart_.addMSecs(now_); }
    void setLocalNow(const QDateTime& local) { localStart_ = local.addMSecs(-now_); }

    // Moves time forward by `ms`, firing every timer that falls due on the way
    // (a periodic timer as often as its interval fits).
    void advance(qint64 ms);
    qint64 now() const { return now_; }
    int activeTimerCount() const;
    // How far each nowMs() moves the clock; 0, the default, keeps it still.
    void setMsPerReading(qint64 ms) { msPerReading_ = ms; }

private:
    friend class FakeTimer;
    FakeTimer* nextDue(qint64 until) const;

    mutable qint64 now_ = 0;
    QDateTime localStart_{QDate(2026, 1, 1), QTime(12, 0)};
    qint64 msPerReading_ = 0;
    quint64 nextSequence_ = 0;
    std::vector<FakeTimer*> timers_;
};
