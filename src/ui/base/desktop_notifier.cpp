#include "ui/base/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>

namespace sky::ui {

namespace {
NotifyHook& Hook() {
    static NotifyHook hook;
    return hook;
}
}  // namespace

void SetNotifyHook(NotifyHook hook) {
    Hook() = std::move(hook);
}

void NotifyDesktop(const QString& summary, const QString& body) {
    if (Hook()) {
        Hook()(summary, body);
        return;
    }
    static const QString service = QStringLiteral("org.freedesktop.Notifications");
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/Notifications"), service, QStringLiteral("Notify"));
    call << QStringLiteral("SkyHarbor") << 0u << QStringLiteral("skyharbor") << summary << body
         << QStringList() << QVariantMap() << -1;
    // No question to the bus first (a round trip per line): without a running
    // service the bus answers with an error nobody waits for, and starts none.
    call.setAutoStartService(false);
    bus.call(call, QDBus::NoBlock);
}

}  // namespace sky::ui
