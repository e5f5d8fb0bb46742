#include "Parlino/Shell/Linux/DBusInstanceBus.h"

#include "Parlino/Shell/Linux/DetachedStart.h"
#include "Parlino/Shell/Linux/SessionInstance.h"

#include <QDBusMessage>

#include <dbus/dbus.h>

#include <algorithm>
#include <climits>

namespace Parlino {

namespace {

// A bound as the bus library takes it: whole milliseconds, at least one.
int milliseconds(std::chrono::milliseconds bound) {
    return int(std::clamp<qint64>(bound.count(), 1, INT_MAX));
}

QDBusMessage callTheBus(const QDBusConnection& bus, const QString& method,
                        const QVariantList& arguments, std::chrono::milliseconds bound) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        QStringLiteral(DBUS_SERVICE_DBUS), QStringLiteral(DBUS_PATH_DBUS),
        QStringLiteral(DBUS_INTERFACE_DBUS), method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, milliseconds(bound));
}

// The errors of a call that no answer came to: the callee left the bus before the call reached
// it, or before it answered, or no longer had the object that answers (it was quitting), or it
// did not answer within the bound.
bool isUnanswered(const QDBusMessage& reply) {
    static const QStringList names{
        QStringLiteral(DBUS_ERROR_NO_REPLY), QStringLiteral(DBUS_ERROR_SERVICE_UNKNOWN),
        QStringLiteral(DBUS_ERROR_NAME_HAS_NO_OWNER), QStringLiteral(DBUS_ERROR_DISCONNECTED),
        QStringLiteral(DBUS_ERROR_UNKNOWN_OBJECT)};
    return names.contains(reply.errorName());
}

} // namespace

DBusInstanceBus::DBusInstanceBus(QDBusConnection bus, QString program,
                                 std::function<std::optional<QString>()> startProblem)
    : m_bus(std::move(bus)), m_program(std::move(program)),
      m_startProblem(std::move(startProblem)) {}

Base::Result<bool, QString> DBusInstanceBus::claim(std::chrono::milliseconds bound) {
    const QDBusMessage reply =
        callTheBus(m_bus, QStringLiteral("RequestName"),
                   {SessionInstance::serviceName, uint(DBUS_NAME_FLAG_DO_NOT_QUEUE)}, bound);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        const uint answer = reply.arguments().value(0).toUInt();
        return answer == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER ||
               answer == DBUS_REQUEST_NAME_REPLY_ALREADY_OWNER;
    }
    if (reply.errorName() == QStringLiteral(DBUS_ERROR_NO_REPLY))
        return Base::failure(QStringLiteral("the session bus did not answer ") +
                             InstanceClaim::within(bound));
    return Base::failure(
        QStringLiteral("the session bus refused Parlino its name: %1").arg(reply.errorMessage()));
}

std::optional<QString> DBusInstanceBus::holder(std::chrono::milliseconds bound) {
    const QDBusMessage reply =
        callTheBus(m_bus, QStringLiteral("GetNameOwner"), {SessionInstance::serviceName}, bound);
    if (reply.type() != QDBusMessage::ReplyMessage)
        return std::nullopt;
    return reply.arguments().value(0).toString();
}

InstanceBus::Delivery DBusInstanceBus::deliver(const QString& holder,
                                               const InstanceRequest& request,
                                               std::chrono::milliseconds bound) {
    const bool read = request.kind == InstanceRequest::Kind::read;
    QDBusMessage message = QDBusMessage::createMethodCall(
        holder, SessionInstance::objectPath, SessionInstance::serviceName,
        read ? QStringLiteral("ReadWithParlino") : QStringLiteral("OpenPanel"));
    if (read)
        message << request.text;
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, milliseconds(bound));
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {Delivery::Kind::taken, {}};
    if (isUnanswered(reply))
        return {Delivery::Kind::unanswered, {}};
    return {Delivery::Kind::refused, reply.errorMessage()};
}

Base::Result<void, QString> DBusInstanceBus::start(std::chrono::milliseconds bound) {
    // A program that cannot run would only exit, unheard: its standard error leads nowhere.
    if (const auto problem = m_startProblem())
        return Base::failure(*problem);
    return DetachedStart::startAndWait(m_program, SessionInstance::serviceName, bound);
}

} // namespace Parlino
