#pragma once

#include <QtGlobal>

#include <functional>
#include <memory>

class TimeSource;
class Timer;

// Runs a frame step at most once per display frame and never later than one
// frame after it was asked for: the first request after a quiet spell runs
// it at the next turn of the event loop, requests within a frame of the
// last step wait for that frame to end.
class FramePacer {
public:
    FramePacer(TimeSource& time, std::function<void()> frame);
    ~FramePacer();
    FramePacer(const FramePacer&) = delete;
    FramePacer& operator=(const FramePacer&) = delete;

    // The frame of a screen refreshing `hertz` times a second; a rate the
    // platform does not know (0) or cannot mean gives the common 60 Hz.
    static int frameMsFor(double hertz);
    void setFrameMs(int ms);
    int frameMs() const { return frameMs_; }

    void request();
    bool isPending() const;
    // A step that must not run any more (the thing it shows is gone).
    void cancel();

private:
    void runFrame();

    TimeSource& time_;
    std::unique_ptr<Timer> timer_;
    std::function<void()> frame_;
    int frameMs_;
    bool ranOnce_ = false;
    qint64 lastFrameMs_ = 0;
};
