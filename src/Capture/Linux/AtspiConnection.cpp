#include "Capture/Linux/AtspiConnection.h"

#include "Base/Log.h"
#include "Capture/Linux/AtspiRef.h"

#include <cstring>

namespace Capture {

namespace {

const Base::Log logger("focus-diag");

constexpr const char* focusChanges = "object:state-changed:focused";

// The signals that libatspi asks the bus for when it starts, each of every application: the
// events of the objects and the changes of the applications' caches. Only the departures of
// applications from the bus, which it asks for too, are left to it.
constexpr const char* everyApplicationsSignals[] = {
    "type='signal',interface='org.a11y.atspi.Cache',member='AddAccessible'",
    "type='signal',interface='org.a11y.atspi.Cache',member='RemoveAccessible'",
    "type='signal',interface='org.a11y.atspi.Event.Object',member='ChildrenChanged'",
    "type='signal',interface='org.a11y.atspi.Event.Object',member='PropertyChange'",
    "type='signal',interface='org.a11y.atspi.Event.Object',member='StateChanged'",
};

// A signal that libatspi would take in about the application that sent it.
bool isApplicationsSignal(const char* interface) {
    return std::strncmp(interface, "org.a11y.atspi.Event.", 21) == 0 ||
           std::strcmp(interface, "org.a11y.atspi.Cache") == 0;
}

} // namespace

std::unique_ptr<AtspiConnection> AtspiConnection::start(Events events) {
    // The filter must see the messages before libatspi's own, which atspi_init() adds to the
    // connection that atspi_get_a11y_bus() opens first.
    if (atspi_is_initialized())
        return nullptr;
    DBusConnection* bus = atspi_get_a11y_bus();
    if (!bus)
        return nullptr;
    std::unique_ptr<AtspiConnection> connection(new AtspiConnection(bus, std::move(events)));
    if (atspi_init() != 0)
        return nullptr;
    connection->askOnlyForFocusChanges();
    return connection;
}

AtspiConnection::AtspiConnection(DBusConnection* bus, Events events)
    : m_bus(bus), m_events(std::move(events)) {
    dbus_connection_add_filter(m_bus, &AtspiConnection::filter, this, nullptr);
}

AtspiConnection::~AtspiConnection() {
    if (m_listener) {
        AtspiErrorSink error;
        atspi_event_listener_deregister(m_listener, focusChanges, error.out());
        g_object_unref(m_listener);
    }
    dbus_connection_remove_filter(m_bus, &AtspiConnection::filter, this);
    atspi_exit();
}

void AtspiConnection::askOnlyForFocusChanges() {
    for (const char* rule : everyApplicationsSignals)
        dbus_bus_remove_match(m_bus, rule, nullptr);
    // libatspi's listener asks the registry to have the applications announce focus changes (and
    // asks again when the registry restarts); the filter takes each announcement off the
    // connection before libatspi would hand it to the listener.
    m_listener = atspi_event_listener_new(
        [](AtspiEvent* event, void*) { g_boxed_free(ATSPI_TYPE_EVENT, event); }, nullptr, nullptr);
    AtspiErrorSink error;
    if (!atspi_event_listener_register(m_listener, focusChanges, error.out()))
        logger.error("focus changes not followed: %s",
                     error.failed() ? error.error->message : "refused");
}

DBusHandlerResult AtspiConnection::filter(DBusConnection*, DBusMessage* message, void* self) {
    const auto& connection = *static_cast<const AtspiConnection*>(self);
    if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_SIGNAL)
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    if (dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged") &&
        dbus_message_has_sender(message, DBUS_SERVICE_DBUS)) {
        // libatspi drops what it has of the application too.
        connection.noteOwnerChanged(message);
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    }
    const char* interface = dbus_message_get_interface(message);
    if (!interface || !isApplicationsSignal(interface))
        return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    if (dbus_message_is_signal(message, "org.a11y.atspi.Event.Object", "StateChanged"))
        connection.noteStateChanged(message);
    return DBUS_HANDLER_RESULT_HANDLED;
}

void AtspiConnection::noteStateChanged(DBusMessage* message) const {
    // The state's name, then whether it is on.
    DBusMessageIter arguments;
    if (!dbus_message_iter_init(message, &arguments) ||
        dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_STRING)
        return;
    const char* state = nullptr;
    dbus_message_iter_get_basic(&arguments, &state);
    if (std::strcmp(state, "focused") != 0 || !dbus_message_iter_next(&arguments) ||
        dbus_message_iter_get_arg_type(&arguments) != DBUS_TYPE_INT32)
        return;
    dbus_int32_t on = 0;
    dbus_message_iter_get_basic(&arguments, &on);
    const char* sender = dbus_message_get_sender(message);
    const char* path = dbus_message_get_path(message);
    if (on == 1 && sender && path)
        m_events.focused(QByteArray(sender), QByteArray(path));
}

void AtspiConnection::noteOwnerChanged(DBusMessage* message) const {
    const char* name = nullptr;
    const char* oldOwner = nullptr;
    const char* newOwner = nullptr;
    if (dbus_message_get_args(message, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING,
                              &oldOwner, DBUS_TYPE_STRING, &newOwner, DBUS_TYPE_INVALID) &&
        name[0] == ':' && newOwner[0] == '\0')
        m_events.departed(QByteArray(name));
}

} // namespace Capture
