#pragma once

#include "Base/Scheduler.h"

#include <functional>

namespace Base {
class Clock;
}

namespace Parlino {

// The bubble's and the panel's display-rate tick. Between start() and stop() it runs `work` 60
// times a second while `moving` holds, and once after each wake(); while nothing moves, nothing
// is scheduled. Each tick is due a fixed interval after the one before, so the rate does not
// drift with the timers' rounding; a tick that comes late starts the count afresh. Main thread
// only.
class DisplayTick {
public:
    static constexpr double interval = 1.0 / 60;

    DisplayTick(const Base::Clock& clock, Base::Scheduler& scheduler, std::function<void()> work,
                std::function<bool()> moving);

    // The surfaces it serves came up: ticks at least once. Starting a started tick only wakes it.
    void start();
    void stop();
    // Something the tick follows changed: one tick at least, if started.
    void wake();
    // A tick is due.
    bool isRunning() const { return m_task.isPending(); }

private:
    void scheduleNext();

    const Base::Clock& m_clock;
    Base::Scheduler& m_scheduler;
    std::function<void()> m_work;
    std::function<bool()> m_moving;
    bool m_started = false;
    double m_nextTickAt = 0;
    Base::ScheduledTask m_task;
};

} // namespace Parlino
