#pragma once

#include "Base/Result.h"
#include "Capture/FocusHistory.h"
#include "Capture/Linux/AtspiLookup.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Core/CaptureError.h"

#include <QByteArray>

#include <memory>
#include <optional>
#include <vector>

namespace Capture {

class TreeSearch;

// Finds an application's focused accessible in a few round trips, whatever the size of its tree.
// It follows the focus changes that the applications announce on the accessibility bus and keeps
// the latest few focused objects of each application, by their paths, until the application
// leaves the bus: an item view may announce its current item as focused after the element that
// really has the keyboard focus. libatspi is asked for an object only when a query needs it, so
// that it learns of no other application (AtspiLookup). An application that announced nothing
// since this process started listening is asked once with a Collection match on the focused
// state; only one that cannot answer that is searched node by node, a share of each query's time
// at a time, the next query going on where the last one stopped. An element is taken as focused
// only when the application says so at the query, not from what libatspi keeps of its states.
//
// Lives on the GLib thread: every call, and the focus changes, come there.
class FocusLocator {
public:
    struct Query {
        // The application's process; absent: whichever application has the keyboard focus.
        std::optional<qint32> pid;
        // The element must have the keyboard focus now (the application is in front). A
        // retargeted read takes the element that had it last, in an application now behind.
        bool focusedNow = true;
    };
    struct Found {
        // Empty when the application has no focused element.
        AtspiRef<AtspiAccessible> element;
        // For a query of a process: the elements of its application that had the focus lately,
        // the most recent last.
        std::vector<AtspiRef<AtspiAccessible>> focusedLately;
    };

    // `bus`: libatspi's connection (AtspiConnection), which it asks past libatspi.
    explicit FocusLocator(DBusConnection* bus);
    ~FocusLocator();
    FocusLocator(const FocusLocator&) = delete;
    FocusLocator& operator=(const FocusLocator&) = delete;

    // The application `bus` says that its object at `path` has the focus now. Also during a
    // query, whose libatspi calls hand on what arrives meanwhile.
    void noteFocused(const QByteArray& bus, const QByteArray& path);
    // The application left the bus: nothing of it is kept.
    void noteDeparted(const QByteArray& bus);

    // Fails with timedOut when the time ran out first.
    Base::Result<Found, Core::CaptureError> find(const Query& query, const AtspiTimeBudget& time);

private:
    // A focus change, or a departure when there is no path.
    struct Change {
        QByteArray bus;
        std::optional<QByteArray> focusedPath;
    };

    void applyChanges();
    Base::Result<Found, Core::CaptureError> findNow(const Query& query,
                                                    const AtspiTimeBudget& time);
    const FocusHistory::Application* applicationOf(const Query& query, const AtspiTimeBudget& time);
    std::optional<AtspiRef<AtspiAccessible>>
    remembered(const FocusHistory::Application& application, const Query& query,
               const AtspiTimeBudget& time);
    std::vector<AtspiRef<AtspiAccessible>> lately(const FocusHistory::Application& application,
                                                  const AtspiTimeBudget& time);
    Base::Result<AtspiRef<AtspiAccessible>, Core::CaptureError>
    askApplications(const Query& query, const AtspiTimeBudget& time);
    Base::Result<AtspiRef<AtspiAccessible>, Core::CaptureError>
    searchTree(AtspiRef<AtspiAccessible> app, const QByteArray& bus, const Query& query,
               const AtspiTimeBudget& time);

    DBusConnection* const m_bus;
    // The changes that arrived during a query, to apply once it is over.
    bool m_finding = false;
    std::vector<Change> m_changes;
    FocusHistory m_history;
    AtspiLookup m_lookup;
    // A walk of an application's tree that ran out of time, and the application's name on the
    // bus.
    std::unique_ptr<TreeSearch> m_search;
    QByteArray m_searchBus;
};

} // namespace Capture
