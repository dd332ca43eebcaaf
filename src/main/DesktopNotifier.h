#pragma once

#include <QString>

// The desktop's notification service: a short message outside the window.
// Where no such service runs, a notification is dropped without a fault.
class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    virtual void notify(const QString& title, const QString& body) = 0;
};
