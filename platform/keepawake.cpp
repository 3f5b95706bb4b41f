#include "platform/keepawake.h"

#include "core/log.h"

#include <QDBusMessage>

bool keepAwake(const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        LOG_INFO(LOG_OTHER) << "keepAwake: no session bus, sleep is not inhibited";
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("/org/freedesktop/ScreenSaver"),
        QStringLiteral("org.freedesktop.ScreenSaver"), QStringLiteral("Inhibit"));
    call << QStringLiteral("Orvik") << QStringLiteral("Live thermal diagnosis");
    const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        LOG_WARNING(LOG_OTHER) << "keepAwake: inhibit refused:" << reply.errorMessage();
        return false;
    }
    return true;
}
