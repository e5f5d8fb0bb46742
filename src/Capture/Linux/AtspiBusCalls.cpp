#include "Capture/Linux/AtspiBusCalls.h"

#include <dbus/dbus.h>

#include <cstring>
#include <memory>

namespace Capture::AtspiBusCalls {

namespace {

constexpr const char* accessibleInterface = "org.a11y.atspi.Accessible";

struct MessageRelease {
    void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using Message = std::unique_ptr<DBusMessage, MessageRelease>;

struct PendingRelease {
    void operator()(DBusPendingCall* pending) const { dbus_pending_call_unref(pending); }
};
using Pending = std::unique_ptr<DBusPendingCall, PendingRelease>;

Message methodCall(const char* destination, const char* path, const char* interface,
                   const char* method) {
    return Message(dbus_message_new_method_call(destination, path, interface, method));
}

// Sends the call, which waits at most the time left; nothing when the time is up.
Pending send(DBusConnection* bus, Message call, const AtspiTimeBudget& time) {
    const int milliseconds = time.milliseconds();
    DBusPendingCall* pending = nullptr;
    if (!call || milliseconds == 0 ||
        !dbus_connection_send_with_reply(bus, call.get(), &pending, milliseconds))
        return nullptr;
    return Pending(pending);
}

// The answer to a call that was sent, waited for; nothing for an error or no answer.
Message answer(Pending pending) {
    if (!pending)
        return nullptr;
    dbus_pending_call_block(pending.get());
    Message reply(dbus_pending_call_steal_reply(pending.get()));
    if (!reply || dbus_message_get_type(reply.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN)
        return nullptr;
    return reply;
}

bool hasSignature(DBusMessage* message, const char* signature) {
    return std::strcmp(dbus_message_get_signature(message), signature) == 0;
}

// Reads the (so) that the iterator stands on.
Reference referenceAt(DBusMessageIter* iterator) {
    DBusMessageIter fields;
    dbus_message_iter_recurse(iterator, &fields);
    const char* bus = nullptr;
    const char* path = nullptr;
    dbus_message_iter_get_basic(&fields, &bus);
    dbus_message_iter_next(&fields);
    dbus_message_iter_get_basic(&fields, &path);
    return {QByteArray(bus), QByteArray(path)};
}

} // namespace

std::optional<qint32> processOf(DBusConnection* bus, const QByteArray& name,
                                const AtspiTimeBudget& time) {
    Message call = methodCall(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS,
                              "GetConnectionUnixProcessID");
    const char* connection = name.constData();
    if (!call ||
        !dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &connection, DBUS_TYPE_INVALID))
        return std::nullopt;
    const Message reply = answer(send(bus, std::move(call), time));
    dbus_uint32_t pid = 0;
    if (!reply || !hasSignature(reply.get(), "u") ||
        !dbus_message_get_args(reply.get(), nullptr, DBUS_TYPE_UINT32, &pid, DBUS_TYPE_INVALID) ||
        pid == 0 || pid > 0x7fffffff)
        return std::nullopt;
    return qint32(pid);
}

std::optional<QList<QByteArray>> applications(DBusConnection* bus, const AtspiTimeBudget& time) {
    const Message reply = answer(send(
        bus, methodCall("org.a11y.atspi.Registry", rootPath, accessibleInterface, "GetChildren"),
        time));
    if (!reply || !hasSignature(reply.get(), "a(so)"))
        return std::nullopt;
    DBusMessageIter iterator;
    DBusMessageIter children;
    dbus_message_iter_init(reply.get(), &iterator);
    dbus_message_iter_recurse(&iterator, &children);
    QList<QByteArray> buses;
    for (; dbus_message_iter_get_arg_type(&children) == DBUS_TYPE_STRUCT;
         dbus_message_iter_next(&children))
        buses.append(referenceAt(&children).bus);
    return buses;
}

std::optional<Place> placeOf(DBusConnection* bus, const Reference& object,
                             const AtspiTimeBudget& time) {
    // Both questions go out at once: one round trip.
    Message parentCall = methodCall(object.bus.constData(), object.path.constData(),
                                    DBUS_INTERFACE_PROPERTIES, "Get");
    const char* property = "Parent";
    if (!parentCall ||
        !dbus_message_append_args(parentCall.get(), DBUS_TYPE_STRING, &accessibleInterface,
                                  DBUS_TYPE_STRING, &property, DBUS_TYPE_INVALID))
        return std::nullopt;
    Pending parentPending = send(bus, std::move(parentCall), time);
    Pending indexPending = send(bus,
                                methodCall(object.bus.constData(), object.path.constData(),
                                           accessibleInterface, "GetIndexInParent"),
                                time);
    const Message parent = answer(std::move(parentPending));
    const Message index = answer(std::move(indexPending));
    dbus_int32_t position = -1;
    if (!parent || !index || !hasSignature(parent.get(), "v") || !hasSignature(index.get(), "i") ||
        !dbus_message_get_args(index.get(), nullptr, DBUS_TYPE_INT32, &position,
                               DBUS_TYPE_INVALID) ||
        position < 0)
        return std::nullopt;
    DBusMessageIter iterator;
    DBusMessageIter variant;
    dbus_message_iter_init(parent.get(), &iterator);
    dbus_message_iter_recurse(&iterator, &variant);
    const std::unique_ptr<char, decltype(&dbus_free)> inner(
        dbus_message_iter_get_signature(&variant), &dbus_free);
    if (!inner || std::strcmp(inner.get(), "(so)") != 0)
        return std::nullopt;
    return Place{referenceAt(&variant), position};
}

} // namespace Capture::AtspiBusCalls
