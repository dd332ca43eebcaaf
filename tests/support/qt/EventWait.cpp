#include "support/qt/EventWait.h"

#include <QCoreApplication>
#include <QTimer>

bool waitUntil(const std::function<bool()>& done, int capMs)
{
    QTimer cap;
    cap.setSingleShot(true);
    cap.start(capMs);
    while (!done()) {
        if (!cap.isActive())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void settle()
{
    for (int i = 0; i < 10; ++i)
        QCoreApplication::processEvents();
}
