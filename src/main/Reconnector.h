#pragma once

#include <functional>
#include <memory>

class Timer;
class TimeSource;

// Opens a connection again after the host ended it: the first attempt 2 s
// later, each attempt after one that failed (no connection, or the host
// ended it before the log-in was through) twice as late, up to 60 s. The
// wait is counted down second by second.
class Reconnector {
public:
    static constexpr int kFirstWaitMs = 2000;
    static constexpr int kLongestWaitMs = 60000;

    // `countdown` is told the whole seconds left at the start and after
    // each second; `attempt` connects.
    Reconnector(TimeSource& time, std::function<void(int secondsLeft)> countdown,
                std::function<void()> attempt);
    ~Reconnector();

    // The connection ended; `afterFailedAttempt` when it was one of ours
    // that did not get through, which doubles the wait.
    void schedule(bool afterFailedAttempt);
    // The user stopped it, or nothing is to be retried: the next wait is
    // the first one again.
    void cancel();

    bool waiting() const;
    // An attempt of ours is under way (connecting or logging in).
    bool attempting() const { return attempting_; }
    int nextWaitMs() const { return waitMs_; }

private:
    void tick();

    std::unique_ptr<Timer> timer_;
    std::function<void(int)> countdown_;
    std::function<void()> attempt_;
    int waitMs_ = kFirstWaitMs;
    int secondsLeft_ = 0;
    bool attempting_ = false;
};
