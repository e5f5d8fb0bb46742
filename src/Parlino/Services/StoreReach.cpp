#include "Parlino/Services/StoreReach.h"

#include <algorithm>
#include <utility>

namespace Parlino {

void StoreReach::note(bool reached) {
    const bool wasAway = std::exchange(m_away, !reached);
    if (!reached) {
        m_heardSinceAway = false;
        askIfAwayAndWaitedFor();
    }
    if (wasAway && reached)
        release();
}

void StoreReach::mayAnswerOtherwise() {
    m_heardSinceAway = true;
    release();
}

void StoreReach::wait(std::function<void()> changed, std::stop_token cancel) {
    m_waiters.removeIf([](const Waiter& waiter) { return waiter.cancel.stop_requested(); });
    m_waiters.append({std::move(changed), std::move(cancel)});
    askIfAwayAndWaitedFor();
}

// Only while nothing was heard of the service since it was found away, so that its answer to the
// question, heard, asks no second one.
void StoreReach::askIfAwayAndWaitedFor() {
    const bool waitedFor = std::any_of(m_waiters.cbegin(), m_waiters.cend(),
                                       [](const Waiter& w) { return !w.cancel.stop_requested(); });
    if (isAwayAndSilent() && waitedFor && m_askWhenAway)
        m_askWhenAway();
}

void StoreReach::release() {
    // A waiter may wait again at once, for the next change.
    const QList<Waiter> waiters = std::exchange(m_waiters, {});
    for (const Waiter& waiter : waiters)
        if (!waiter.cancel.stop_requested())
            waiter.changed();
}

} // namespace Parlino
