#pragma once

#include <QList>

#include <functional>
#include <stop_token>

namespace Parlino {

// Whether a store behind a service was out of reach at its last answer, and who waits for it to
// answer otherwise. The store reports every outcome of its calls, late ones too, and everything
// it hears of the service; the first answer after an outcome out of reach, or any news of the
// service, runs each waiter once. Nothing is asked of the service here. Main thread only.
class StoreReach {
public:
    // `ask` runs whenever the service is out of reach, nothing has been heard of it since and
    // somebody waits: the store then asks the service to say when it answers again.
    void askWhenAway(std::function<void()> ask) { m_askWhenAway = std::move(ask); }

    // One call's outcome: `reached` unless it said the service was out of reach.
    void note(bool reached);
    // The service may answer otherwise than it last did: it came back, announced a change, or
    // answered while it was out of reach.
    void mayAnswerOtherwise();
    // Runs `changed` once on the next of the two, unless `cancel` is stopped first.
    void wait(std::function<void()> changed, std::stop_token cancel);

    bool isAway() const { return m_away; }
    // Out of reach at the last answer, and nothing heard of the service since.
    bool isAwayAndSilent() const { return m_away && !m_heardSinceAway; }

private:
    struct Waiter {
        std::function<void()> changed;
        std::stop_token cancel;
    };

    void release();
    void askIfAwayAndWaitedFor();

    std::function<void()> m_askWhenAway;
    bool m_away = false;
    bool m_heardSinceAway = false;
    QList<Waiter> m_waiters;
};

} // namespace Parlino
