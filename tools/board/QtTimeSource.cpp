#include "QtTimeSource.h"

#include <QTimer>

namespace {

class QtTimer : public Timer {
public:
    QtTimer()
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (onTimeout)
                onTimeout();
        });
    }
    void start(int intervalMs) override
    {
        timer_.setSingleShot(false);
        timer_.start(intervalMs);
    }
    void startOnce(int delayMs) override
    {
        timer_.setSingleShot(true);
        timer_.start(delayMs);
    }
    void stop() override { timer_.stop(); }
    bool isActive() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

}  // namespace

std::unique_ptr<Timer> QtTimeSource::createTimer()
{
    return std::make_unique<QtTimer>();
}
