// A mention reaches a user away from the window: the desktop notification
// over D-Bus (against a private bus with a notification service of the
// test's own, and without any), and only while the window is not active.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStringList>
#include <QVariantMap>
#include <gtest/gtest.h>

#include "common/MemorySettingsStore.h"
#include "main/DesktopNotifier.h"
#include "main/qt/DBusNotifier.h"
#include "support/qt/EventWait.h"
#include "support/qt/KeyedWindow.h"

namespace {

// Stands in for the desktop's notification daemon.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList received;  // "app|summary|body"

public slots:
    uint Notify(const QString& app, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        received << app + u'|' + summary + u'|' + body;
        return uint(received.size());
    }
};

class RecordingNotifier : public DesktopNotifier {
public:
    explicit RecordingNotifier(QStringList& log) : log_(log) {}
    void notify(const QString& title, const QString& body) override { log_ << title + u'>' + body; }

private:
    QStringList& log_;
};

// Every case runs in this one process, whose session bus is fixed at its
// first use: the bus is started once, before any test asks for it.
class PrivateBus {
public:
    PrivateBus()
    {
        daemon_.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                                      QStringLiteral("--print-address")});
        if (!daemon_.waitForStarted(10000) || !waitUntil([&] { return daemon_.canReadLine(); }, 10000))
            return;
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        daemon_.kill();
        daemon_.waitForFinished(10000);
    }
    const QString& address() const { return address_; }

private:
    QProcess daemon_;
    QString address_;
};

TEST(MentionNotification, ReachesTheNotificationServiceOverTheSessionBus)
{
    PrivateBus bus;
    ASSERT_FALSE(bus.address().isEmpty()) << "dbus-daemon did not start";
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address().toUtf8());

    // Before any service: sent, and dropped without a fault.
    DBusNotifier notifier;
    notifier.notify(QStringLiteral("Jiro"), QStringLiteral("nobody listens yet"));
    settle();

    QDBusConnection serviceSide = QDBusConnection::connectToBus(bus.address(), QStringLiteral("service"));
    ASSERT_TRUE(serviceSide.isConnected());
    NotificationService service;
    ASSERT_TRUE(serviceSide.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                           QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceSide.registerService(QStringLiteral("org.freedesktop.Notifications")));

    notifier.notify(QStringLiteral("Jiro"), QStringLiteral("たろうさん、<b>見てる</b>？ & more"));
    notifier.notify(QStringLiteral("Hana"), QString(300, u'あ'));
    ASSERT_TRUE(waitUntil([&] { return service.received.size() == 2; }, 10000));
    EXPECT_EQ(service.received[0],
              QStringLiteral("ZKT|Jiro|たろうさん、&lt;b&gt;見てる&lt;/b&gt;？ &amp; more"));
    EXPECT_EQ(service.received[1], QStringLiteral("ZKT|Hana|") + QString(200, u'あ') + u'…');
    serviceSide.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    QDBusConnection::disconnectFromBus(QStringLiteral("service"));
}

TEST(MentionNotification, OnlyWhileTheWindowIsNotActive)
{
    MemorySettingsStore store;
    KeyedWindow client(store);
    QStringList notified;
    client.window->setDesktopNotifier(std::make_unique<RecordingNotifier>(notified));
    client.window->load();
    // Not shown yet, so not the active window.
    client.window->announceMention(QStringLiteral("Jiro"), QStringLiteral("たろうさん"));
    EXPECT_EQ(notified, QStringList{QStringLiteral("Jiro>たろうさん")});
    client.start();
    ASSERT_TRUE(client.window->isActiveWindow());
    client.window->announceMention(QStringLiteral("Hana"), QStringLiteral("たろう?"));
    EXPECT_EQ(notified.size(), 1);
}

}  // namespace

#include "mention_notification_test.moc"
