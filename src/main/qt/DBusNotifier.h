#pragma once

#include "main/DesktopNotifier.h"

// Notifications through org.freedesktop.Notifications on the session bus.
// The call is sent without waiting for an answer; without a session bus, or
// with nobody serving the name, nothing happens.
class DBusNotifier : public DesktopNotifier {
public:
    void notify(const QString& title, const QString& body) override;
};
