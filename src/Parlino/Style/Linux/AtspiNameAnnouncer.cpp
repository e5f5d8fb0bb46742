#include "Parlino/Style/Linux/AtspiNameAnnouncer.h"

#include <QAccessible>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QWidget>

namespace {

// The application's root object, as an event's last argument names it.
struct ObjectReference {
    QString service;
    QDBusObjectPath path;
};

} // namespace

Q_DECLARE_METATYPE(ObjectReference)

namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const ObjectReference& reference) {
    argument.beginStructure();
    argument << reference.service << reference.path;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ObjectReference& reference) {
    argument.beginStructure();
    argument >> reference.service >> reference.path;
    argument.endStructure();
    return argument;
}

// Qt opens its connection to the accessibility bus under this name, and serves each accessible
// object at the prefix followed by the object's unique id.
const QString connectionName = QStringLiteral("a11y");
const QString objectPrefix = QStringLiteral("/org/a11y/atspi/accessible/");

} // namespace

namespace Parlino {

void announceNameOnAtspi(QWidget& control, const QString& name) {
    const QDBusConnection bus(connectionName);
    if (!bus.isConnected() || !QAccessible::isActive())
        return;
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&control);
    if (!accessible)
        return;
    static const QMetaType registered = qDBusRegisterMetaType<ObjectReference>();
    Q_UNUSED(registered);
    QDBusMessage event = QDBusMessage::createSignal(
        objectPrefix + QString::number(QAccessible::uniqueId(accessible)),
        QStringLiteral("org.a11y.atspi.Event.Object"), QStringLiteral("PropertyChange"));
    event << QStringLiteral("accessible-name") << 0 << 0 << QVariant::fromValue(QDBusVariant(name))
          << QVariant::fromValue(ObjectReference{
                 bus.baseService(), QDBusObjectPath(objectPrefix + QStringLiteral("root"))});
    bus.send(event);
}

} // namespace Parlino
