#pragma once

#include "Base/Result.h"
#include "Capture/Linux/AtspiRef.h"
#include "Capture/Linux/AtspiTimeBudget.h"
#include "Core/CaptureError.h"

#include <QtGlobal>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace Capture {

class TreeSearch;

// Finds an application's focused accessible in a few round trips, whatever the size of its tree.
// It follows the focus changes that the applications announce on the accessibility bus and keeps
// the latest few focused accessibles of each application: an item view may announce its current
// item as focused after the element that really has the keyboard focus. An application that
// announced nothing since this process started listening is asked once with a Collection match on
// the focused state; only one that cannot answer that is searched node by node, a share of each
// query's time at a time, the next query going on where the last one stopped. An element is taken
// as focused only when the application says so at the query, not from what libatspi keeps of its
// states.
//
// Lives on the GLib thread: every call, and the focus events, run there.
class FocusLocator {
public:
    struct Query {
        // The application's process; absent: whichever application has the keyboard focus.
        std::optional<qint32> pid;
        // The element must have the keyboard focus now (the application is in front). A
        // retargeted read takes the element that had it last, in an application now behind.
        bool focusedNow = true;
    };

    // Starts following focus changes. Make it on the GLib thread, after atspi_init().
    FocusLocator();
    ~FocusLocator();
    FocusLocator(const FocusLocator&) = delete;
    FocusLocator& operator=(const FocusLocator&) = delete;

    // Nothing when the application has no focused element; fails with timedOut when the time
    // ran out first.
    Base::Result<AtspiRef<AtspiAccessible>, Core::CaptureError> find(const Query& query,
                                                                     const AtspiTimeBudget& time);
    // The elements of the application that had the focus lately, as of the last find(), the most
    // recent last; none for an application not seen with the focus.
    std::vector<AtspiRef<AtspiAccessible>> focusedLately(qint32 pid) const;

private:
    struct Focus {
        std::deque<AtspiRef<AtspiAccessible>> elements; // the most recent last
        quint64 sequence = 0;                           // larger is more recent
    };

    static void onFocusEvent(AtspiEvent* event, void* self);
    // Files the elements focused since the last query under their processes.
    void fileFocused(const AtspiTimeBudget& time);
    void remember(qint32 pid, AtspiRef<AtspiAccessible> element);
    std::optional<AtspiRef<AtspiAccessible>> remembered(const Query& query,
                                                        const AtspiTimeBudget& time);
    Base::Result<AtspiRef<AtspiAccessible>, Core::CaptureError>
    askApplications(const Query& query, const AtspiTimeBudget& time);
    Base::Result<AtspiRef<AtspiAccessible>, Core::CaptureError>
    searchTree(AtspiRef<AtspiAccessible> app, std::optional<qint32> pid, const Query& query,
               const AtspiTimeBudget& time);

    AtspiEventListener* m_listener = nullptr;
    // Focused in this order since the last query; their processes are asked for then, not in
    // the event handler, which may run inside another call.
    std::deque<AtspiRef<AtspiAccessible>> m_newlyFocused;
    std::map<qint32, Focus> m_focus; // by process
    quint64 m_sequence = 0;
    // A walk of an application's tree that ran out of time, and the application's process.
    std::unique_ptr<TreeSearch> m_search;
    std::optional<qint32> m_searchPid;
};

} // namespace Capture
