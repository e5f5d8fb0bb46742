#pragma once

#include <QList>

#include <functional>
#include <stop_token>

namespace Parlino {

// Whether a store behind a service was out of reach at its last answer, and who waits for it to
// answer again. The store reports every outcome of its calls, late ones too; the first answer
// after an outcome out of reach, or the service coming back, runs each waiter once. Nothing is
// asked of the service here. Main thread only.
class StoreReach {
public:
    // One call's outcome: `reached` unless it said the service was out of reach.
    void note(bool reached);
    // The service came back (a new owner of its bus name): it may answer whatever it said last.
    void serviceReturned();
    // Runs `answering` once on the next of the two, unless `cancel` is stopped first.
    void wait(std::function<void()> answering, std::stop_token cancel);

    bool isAway() const { return m_away; }

private:
    struct Waiter {
        std::function<void()> answering;
        std::stop_token cancel;
    };

    void release();

    bool m_away = false;
    QList<Waiter> m_waiters;
};

} // namespace Parlino
