#pragma once

#include "Base/Scheduler.h"

#include <QtGlobal>

#include <functional>

namespace Base {
class Clock;
}

namespace Parlino {

// The bubble's and the panel's display-rate tick: runs `work` 60 times a second between start()
// and stop(). Each tick is due a fixed interval after the one before, so the rate does not drift
// with the timers' rounding; a tick that comes late starts the count afresh. Main thread only.
class DisplayTick {
public:
    static constexpr double interval = 1.0 / 60;

    DisplayTick(const Base::Clock& clock, Base::Scheduler& scheduler, std::function<void()> work);

    // Starting a running tick does nothing.
    void start();
    void stop();
    bool isRunning() const { return m_running; }

private:
    void scheduleNext(quint64 generation);

    const Base::Clock& m_clock;
    Base::Scheduler& m_scheduler;
    std::function<void()> m_work;
    bool m_running = false;
    quint64 m_generation = 0;
    double m_nextTickAt = 0;
    Base::ScheduledTask m_task;
};

} // namespace Parlino
