#include "common/QtTimeSource.h"

#include <QTimer>

namespace {

class QtTimer : public Timer {
public:
    QtTimer()
    {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            // A copy, because the handler may destroy this timer.
            auto handler = onTimeout;
            if (handler)
                handler();
        });
    }

    void start(int intervalMs) override { arm(intervalMs, false); }
    void startOnce(int delayMs) override { arm(delayMs, true); }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    void arm(int ms, bool once)
    {
        timer_.setSingleShot(once);
        timer_.start(qMax(ms, 0));
    }

    QTimer timer_;
};

}  // namespace

std::unique_ptr<Timer> QtTimeSource::createTimer()
{
    return std::make_unique<QtTimer>();
}
