#pragma once

#include "Capture/Linux/AtspiBusCalls.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"

#include <map>

namespace Capture {

// Finds libatspi's accessibles for objects that applications name by their paths, making
// libatspi learn of those applications only: the application is asked for the object's ancestors
// and the object's place in each, and libatspi steps down to it from the application's root,
// which the registry lists. What was found serves the lookups that follow, until its application
// leaves the bus. Each call shares the given query's time. On the GLib thread only.
class AtspiLookup {
public:
    using Reference = AtspiBusCalls::Reference;

    explicit AtspiLookup(DBusConnection* bus);

    // The root of the application with this name on the bus; empty when the registry does not
    // list it or the time ran out.
    AtspiRef<AtspiAccessible> root(const QByteArray& application, const AtspiTimeBudget& time);
    // Empty when the object is gone, not in its application's tree, or the time ran out.
    AtspiRef<AtspiAccessible> find(const Reference& object, const AtspiTimeBudget& time);
    // The application left the bus.
    void forget(const QByteArray& application);

private:
    // How many objects are kept of one application: a long-lived one has many focused in turn.
    static constexpr std::size_t keptPerApplication = 256;
    // How many of an application's windows are looked through for one whose index it told wrong.
    static constexpr qint32 windowsLookedThrough = 64;

    // Up from the object to an ancestor found before (unless `afresh`) or to its application's
    // root, then down again; `fromKept` tells whether an ancestor found before was stepped from.
    AtspiRef<AtspiAccessible> walk(const Reference& object, bool afresh, bool& fromKept,
                                   const AtspiTimeBudget& time);
    AtspiRef<AtspiAccessible> kept(const Reference& object) const;
    AtspiRef<AtspiAccessible> keep(const Reference& object, AtspiRef<AtspiAccessible> element);
    // The parent's child at the index, which must be `expected`; an application's window
    // anywhere among its windows.
    static AtspiRef<AtspiAccessible> childAt(AtspiAccessible* parent, qint32 index,
                                             const Reference& expected,
                                             const AtspiTimeBudget& time);

    DBusConnection* const m_bus;
    // By application, then by path.
    std::map<QByteArray, std::map<QByteArray, AtspiRef<AtspiAccessible>>> m_kept;
};

} // namespace Capture
