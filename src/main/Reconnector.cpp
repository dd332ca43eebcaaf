#include "main/Reconnector.h"

#include <algorithm>

#include "common/TimeSource.h"

namespace {
constexpr int kSecondMs = 1000;
}

Reconnector::Reconnector(TimeSource& time, std::function<void(int)> countdown, std::function<void()> attempt)
    : timer_(time.createTimer()), countdown_(std::move(countdown)), attempt_(std::move(attempt))
{
    timer_->onTimeout = [this] { tick(); };
}

Reconnector::~Reconnector() = default;

void Reconnector::schedule(bool afterFailedAttempt)
{
    if (afterFailedAttempt && attempting_)
        waitMs_ = std::min(waitMs_ * 2, kLongestWaitMs);
    else
        waitMs_ = kFirstWaitMs;
    attempting_ = false;
    secondsLeft_ = waitMs_ / kSecondMs;
    timer_->start(kSecondMs);
    countdown_(secondsLeft_);
}

void Reconnector::cancel()
{
    timer_->stop();
    attempting_ = false;
    waitMs_ = kFirstWaitMs;
}

bool Reconnector::waiting() const
{
    return timer_->isActive();
}

void Reconnector::tick()
{
    if (--secondsLeft_ > 0) {
        countdown_(secondsLeft_);
        return;
    }
    timer_->stop();
    attempting_ = true;
    attempt_();
}
