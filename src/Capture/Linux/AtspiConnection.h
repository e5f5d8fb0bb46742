#pragma once

#include <atspi/atspi.h>

#include <QByteArray>

#include <functional>
#include <memory>

namespace Capture {

// libatspi, started so that it learns of an application only when asked about it. Started
// plainly, libatspi takes in the events of every application on the accessibility bus: it learns
// of each application that sends one, fetches and caches its whole tree, and keeps a record of it
// for as long as the process lives, a cost that would grow with every application that comes and
// goes. Here the applications' events are taken off libatspi's connection before libatspi sees
// them, and the bus is asked for none but focus changes, which are handed on, with the departures
// of applications from the bus. libatspi then keeps nothing of an application that no query asked
// about, and drops its objects when it leaves.
//
// On the GLib thread only; one at a time.
class AtspiConnection {
public:
    struct Events {
        // The application `bus` (its name on the bus) says that its object at `path` has the
        // focus now.
        std::function<void(const QByteArray& bus, const QByteArray& path)> focused;
        // The application left the bus.
        std::function<void(const QByteArray& bus)> departed;
    };

    // Nothing without an accessibility bus, or when libatspi was started before.
    static std::unique_ptr<AtspiConnection> start(Events events);
    // Stops libatspi.
    ~AtspiConnection();
    AtspiConnection(const AtspiConnection&) = delete;
    AtspiConnection& operator=(const AtspiConnection&) = delete;

    // libatspi's connection, for questions put past libatspi.
    DBusConnection* bus() const { return m_bus; }

private:
    AtspiConnection(DBusConnection* bus, Events events);

    static DBusHandlerResult filter(DBusConnection*, DBusMessage* message, void* self);
    void noteStateChanged(DBusMessage* message) const;
    void noteOwnerChanged(DBusMessage* message) const;
    void askOnlyForFocusChanges();

    DBusConnection* const m_bus;
    const Events m_events;
    AtspiEventListener* m_listener = nullptr;
};

} // namespace Capture
