#pragma once

#include "Parlino/Style/MotionPreferences.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QVariant>

#include <optional>

class QDBusPendingCallWatcher;

namespace Parlino {

// Keeps the motion preferences in step with the desktop: GNOME's "enable-animations" switch,
// read once through the settings portal and then followed through its change signal; off
// means Reduce Motion. Without a portal the preferences keep their values.
class DesktopMotionSettings final : public QObject {
    Q_OBJECT

public:
    explicit DesktopMotionSettings(MotionPreferences& preferences,
                                   QDBusConnection bus = QDBusConnection::sessionBus());

    // What a value of the animations switch says about Reduce Motion: no value unless it is a
    // boolean, however many variants wrap it.
    static std::optional<bool> reduceMotion(const QVariant& enableAnimations);

    // The portal's change signal (namespace, key, value); the bus calls only public slots.
public slots:
    void onSettingChanged(const QDBusMessage& change);

private:
    void readAnimations(const QString& method);
    void onRead(QDBusPendingCallWatcher* call, const QString& method);
    void apply(const QVariant& value);

    MotionPreferences& m_preferences;
    QDBusConnection m_bus;
};

} // namespace Parlino
