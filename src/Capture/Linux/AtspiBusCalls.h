#pragma once

#include "Capture/Linux/AtspiTimeBudget.h"

#include <QByteArray>
#include <QList>

#include <optional>

// Questions put to the accessibility bus and its applications on libatspi's connection (`bus`),
// past libatspi: what they answer makes libatspi learn of no application. Each waits at most the
// query's time left; an answer is absent when the time ran out or the other side answered with an
// error or not as the protocol says. On the GLib thread only, while libatspi runs.
namespace Capture::AtspiBusCalls {

// An object that an application offers, as it names it.
struct Reference {
    QByteArray bus;  // the application's name on the bus
    QByteArray path; // the object's path in it
};

// Where an object stands in its parent.
struct Place {
    Reference parent;
    qint32 index = 0;
};

// The path of an application's root object, whose parent is the registry's desktop.
inline constexpr const char* rootPath = "/org/a11y/atspi/accessible/root";

// The process of the connection with this name, as the bus says.
std::optional<qint32> processOf(DBusConnection* bus, const QByteArray& name,
                                const AtspiTimeBudget& time);
// The applications that the registry lists, in its order: their names on the bus.
std::optional<QList<QByteArray>> applications(DBusConnection* bus, const AtspiTimeBudget& time);
// The object's parent and its index there, as its application says.
std::optional<Place> placeOf(DBusConnection* bus, const Reference& object,
                             const AtspiTimeBudget& time);

} // namespace Capture::AtspiBusCalls
