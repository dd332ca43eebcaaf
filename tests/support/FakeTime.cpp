#include "support/FakeTime.h"

#include <algorithm>

class FakeTimer : public Timer {
public:
    explicit FakeTimer(FakeTimeSource* source) : source_(source) { source_->timers_.push_back(this); }
    ~FakeTimer() override
    {
        if (!source_)
            return;
        auto& timers = source_->timers_;
        timers.erase(std::find(timers.begin(), timers.end(), this));
    }

    void start(int intervalMs) override { arm(intervalMs, true); }
    void startOnce(int delayMs) override { arm(delayMs, false); }
    void stop() override { active_ = false; }
    bool isActive() const override { return active_; }

    // Called by the source when the timer falls due.
    void fire()
    {
        if (periodic_)
            due_ += interval_;
        else
            active_ = false;
        // The handler may stop, restart or destroy this timer.
        auto handler = onTimeout;
        if (handler)
            handler();
    }

    FakeTimeSource* source_;
    bool active_ = false;
    bool periodic_ = false;
    qint64 interval_ = 0;
    qint64 due_ = 0;
    quint64 sequence_ = 0;

private:
    void arm(int ms, bool periodic)
    {
        // A zero period would fire forever within one advance().
        interval_ = periodic ? std::max(ms, 1) : std::max(ms, 0);
        periodic_ = periodic;
        active_ = source_ != nullptr;
        if (source_) {
            due_ = source_->now_ + interval_;
            sequence_ = source_->nextSequence_++;
        }
    }
};

FakeTimeSource::~FakeTimeSource()
{
    for (FakeTimer* timer : timers_) {
        timer->source_ = nullptr;
        timer->active_ = false;
    }
}

std::unique_ptr<Timer> FakeTimeSource::createTimer()
{
    return std::make_unique<FakeTimer>(this);
}

FakeTimer* FakeTimeSource::nextDue(qint64 until) const
{
    FakeTimer* best = nullptr;
    for (FakeTimer* timer : timers_) {
        if (!timer->active_ || timer->due_ > until)
            continue;
        if (!best || timer->due_ < best->due_ ||
            (timer->due_ == best->due_ && timer->sequence_ < best->sequence_))
            best = timer;
    }
    return best;
}

void FakeTimeSource::advance(qint64 ms)
{
    const qint64 until = now_ + std::max<qint64>(ms, 0);
    while (FakeTimer* timer = nextDue(until)) {
        now_ = std::max(now_, timer->due_);
        timer->fire();
    }
    now_ = until;
}

int FakeTimeSource::activeTimerCount() const
{
    return int(std::count_if(timers_.begin(), timers_.end(), [](const FakeTimer* t) { return t->active_; }));
}
