#include "Parlino/Panel/DisplayTick.h"

#include "Base/Clock.h"

#include <algorithm>

namespace Parlino {

DisplayTick::DisplayTick(const Base::Clock& clock, Base::Scheduler& scheduler,
                         std::function<void()> work)
    : m_clock(clock), m_scheduler(scheduler), m_work(std::move(work)) {}

void DisplayTick::start() {
    if (m_running)
        return;
    m_running = true;
    m_nextTickAt = m_clock.now() + interval;
    scheduleNext(++m_generation);
}

void DisplayTick::stop() {
    m_running = false;
    m_task.cancel();
}

void DisplayTick::scheduleNext(quint64 generation) {
    const double delay = std::max(0.0, m_nextTickAt - m_clock.now());
    m_task = m_scheduler.after(delay, [this, generation] {
        m_nextTickAt = std::max(m_nextTickAt + interval, m_clock.now());
        m_work();
        if (m_running && generation == m_generation)
            scheduleNext(generation);
    });
}

} // namespace Parlino
