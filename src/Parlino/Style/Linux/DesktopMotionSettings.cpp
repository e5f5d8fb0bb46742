#include "Parlino/Style/Linux/DesktopMotionSettings.h"

#include "Base/Log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace Parlino {

namespace {

const Base::Log log("style");

const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString settingsInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString interfaceNamespace = QStringLiteral("org.gnome.desktop.interface");
const QString animationsKey = QStringLiteral("enable-animations");

} // namespace

DesktopMotionSettings::DesktopMotionSettings(MotionPreferences& preferences, QDBusConnection bus)
    : QObject(&preferences), m_preferences(preferences), m_bus(std::move(bus)) {
    if (!m_bus.isConnected())
        return;
    m_bus.connect(portalService, portalPath, settingsInterface, QStringLiteral("SettingChanged"),
                  this, SLOT(onSettingChanged(QDBusMessage)));
    readAnimations(QStringLiteral("ReadOne"));
}

std::optional<bool> DesktopMotionSettings::reduceMotion(const QVariant& enableAnimations) {
    QVariant value = enableAnimations;
    while (value.metaType() == QMetaType::fromType<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    if (value.metaType() != QMetaType::fromType<bool>())
        return std::nullopt;
    return !value.toBool();
}

void DesktopMotionSettings::readAnimations(const QString& method) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(portalService, portalPath, settingsInterface, method);
    message << interfaceNamespace << animationsKey;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, method](QDBusPendingCallWatcher* call) { onRead(call, method); });
}

void DesktopMotionSettings::onRead(QDBusPendingCallWatcher* call, const QString& method) {
    call->deleteLater();
    const QDBusPendingReply<QDBusVariant> reply = *call;
    if (reply.isError()) {
        // Portals before version 2 offer only the older, doubly wrapped Read.
        if (method == QStringLiteral("ReadOne") &&
            reply.error().type() == QDBusError::UnknownMethod) {
            readAnimations(QStringLiteral("Read"));
            return;
        }
        log.info("desktop animations setting unavailable: %{public}s", reply.error().message());
        return;
    }
    apply(reply.value().variant());
}

void DesktopMotionSettings::onSettingChanged(const QDBusMessage& change) {
    const QVariantList arguments = change.arguments();
    if (arguments.size() == 3 && arguments[0].toString() == interfaceNamespace &&
        arguments[1].toString() == animationsKey)
        apply(arguments[2]);
}

void DesktopMotionSettings::apply(const QVariant& value) {
    if (const auto reduce = reduceMotion(value))
        m_preferences.setReduceMotion(*reduce);
}

} // namespace Parlino
