#include "Parlino/Panel/DisplayTick.h"

#include "Base/Clock.h"

#include <algorithm>

namespace Parlino {

DisplayTick::DisplayTick(const Base::Clock& clock, Base::Scheduler& scheduler,
                         std::function<void()> work, std::function<bool()> moving)
    : m_clock(clock), m_scheduler(scheduler), m_work(std::move(work)), m_moving(std::move(moving)) {
}

void DisplayTick::start() {
    m_started = true;
    wake();
}

void DisplayTick::stop() {
    m_started = false;
    m_task.cancel();
}

void DisplayTick::wake() {
    if (!m_started || isRunning())
        return;
    m_nextTickAt = m_clock.now() + interval;
    scheduleNext();
}

void DisplayTick::scheduleNext() {
    const double delay = std::max(0.0, m_nextTickAt - m_clock.now());
    m_task = m_scheduler.after(delay, [this] {
        m_nextTickAt = std::max(m_nextTickAt + interval, m_clock.now());
        m_work();
        // The work may have stopped the tick, or woken it anew.
        if (m_started && !isRunning() && m_moving())
            scheduleNext();
    });
}

} // namespace Parlino
