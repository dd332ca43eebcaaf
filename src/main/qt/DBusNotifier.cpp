#include "main/qt/DBusNotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

namespace {
// A whole chat line may be long; a notification shows the start of it.
constexpr qsizetype kMostBodyCharacters = 200;

// Only a bus that is already there: asking for the session bus without one
// could start a bus daemon of its own.
bool sessionBusAvailable()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

QString shortened(const QString& text)
{
    if (text.size() <= kMostBodyCharacters)
        return text;
    qsizetype cut = kMostBodyCharacters;
    if (text.at(cut - 1).isHighSurrogate())
        --cut;
    return text.first(cut) + u'…';
}
}  // namespace

void DBusNotifier::notify(const QString& title, const QString& body)
{
    if (!sessionBusAvailable())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Servers may read the body as markup: the host's text is escaped.
    call << QStringLiteral("ZKT") << quint32(0) << QString() << shortened(title).toHtmlEscaped()
         << shortened(body).toHtmlEscaped() << QStringList() << QVariantMap() << qint32(-1);
    call.setAutoStartService(false);
    bus.send(call);
}
