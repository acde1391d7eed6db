#include "ui/base/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QVariantMap>

namespace sky::ui {

void NotifyDesktop(const QString& summary, const QString& body) {
    static const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(service)) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/Notifications"), service, QStringLiteral("Notify"));
    call << QStringLiteral("SkyHarbor") << 0u << QStringLiteral("skyharbor") << summary << body
         << QStringList() << QVariantMap() << -1;
    // Fire and forget: the answer (the notification's id) is of no use here.
    bus.call(call, QDBus::NoBlock);
}

}  // namespace sky::ui
