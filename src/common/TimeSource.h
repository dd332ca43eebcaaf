#pragma once

#include <functional>
#include <memory>

#include <QDateTime>
#include <QtGlobal>

// Every timer of the client comes from here, so tests drive time by hand
// instead of sleeping.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start(int intervalMs) = 0;  // periodic until stopped
    virtual void startOnce(int delayMs) = 0;
    virtual void stop() = 0;
    virtual bool isActive() const = 0;

    std::function<void()> onTimeout;
};

class TimeSource {
public:
    virtual ~TimeSource() = default;
    virtual std::unique_ptr<Timer> createTimer() = 0;
    // Milliseconds on a clock that never goes back; only differences count.
    virtual qint64 nowMs() const = 0;
    // The local date and time on the wall clock (it may jump).
    virtual QDateTime localNow() const = 0;
};
