#include "controls/FramePacer.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/TimeSource.h"

namespace {

constexpr double kCommonHertz = 60;
// Rates outside these are taken for a platform's nonsense.
constexpr double kSlowestHertz = 20;
constexpr double kFastestHertz = 1000;

}  // namespace

FramePacer::FramePacer(TimeSource& time, std::function<void()> frame)
    : time_(time), timer_(time.createTimer()), frame_(std::move(frame)), frameMs_(frameMsFor(kCommonHertz))
{
    timer_->onTimeout = [this] { runFrame(); };
}

FramePacer::~FramePacer() = default;

int FramePacer::frameMsFor(double hertz)
{
    if (!std::isfinite(hertz) || hertz < kSlowestHertz || hertz > kFastestHertz)
        hertz = kCommonHertz;
    return std::max(1, int(1000.0 / hertz));
}

void FramePacer::setFrameMs(int ms)
{
    frameMs_ = std::clamp(ms, frameMsFor(kFastestHertz), frameMsFor(kSlowestHertz));
}

void FramePacer::request()
{
    if (timer_->isActive())
        return;
    const qint64 sinceLast = time_.nowMs() - lastFrameMs_;
    const qint64 wait = ranOnce_ ? std::clamp<qint64>(frameMs_ - sinceLast, 0, frameMs_) : 0;
    timer_->startOnce(int(wait));
}

bool FramePacer::isPending() const
{
    return timer_->isActive();
}

void FramePacer::cancel()
{
    timer_->stop();
}

void FramePacer::runFrame()
{
    ranOnce_ = true;
    lastFrameMs_ = time_.nowMs();
    frame_();
}
