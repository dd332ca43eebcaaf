#pragma once

#include <QElapsedTimer>

#include "common/TimeSource.h"

// Timers on Qt's event loop (QTimer is part of Qt Core).
class QtTimeSource : public TimeSource {
public:
    QtTimeSource() { clock_.start(); }
    std::unique_ptr<Timer> createTimer() override;
    qint64 nowMs() const override { return clock_.elapsed(); }
    QDateTime localNow() const override { return QDateTime::currentDateTime(); }

private:
    QElapsedTimer clock_;
};
