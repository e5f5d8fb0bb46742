#include "support/ManualTime.h"

#include <algorithm>

namespace TestSupport {

Base::ScheduledTask ManualScheduler::after(double seconds, std::function<void()> work) {
    auto cancelled = std::make_shared<Base::ScheduledTask::Flag>(false);
    m_entries.push_back(
        {m_clock.now() + std::max(seconds, 0.0), m_nextOrder++, cancelled, std::move(work)});
    return Base::ScheduledTask(cancelled);
}

void ManualScheduler::advance(double seconds) {
    const double target = m_clock.now() + seconds;
    while (true) {
        std::erase_if(m_entries, [](const Entry& e) { return e.cancelled->load(); });
        auto next = std::min_element(
            m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
                return a.due < b.due || (a.due == b.due && a.order < b.order);
            });
        if (next == m_entries.end() || next->due > target)
            break;
        Entry entry = std::move(*next);
        m_entries.erase(next);
        m_clock.set(std::max(m_clock.now(), entry.due));
        *entry.cancelled = true; // fired: the handle is no longer pending
        entry.work();
    }
    m_clock.set(target);
}

size_t ManualScheduler::pendingCount() const {
    return static_cast<size_t>(std::count_if(m_entries.begin(), m_entries.end(),
                                             [](const Entry& e) { return !e.cancelled->load(); }));
}

std::optional<double> ManualScheduler::nextDelay() const {
    std::optional<double> best;
    for (const auto& e : m_entries)
        if (!*e.cancelled && (!best || e.due - m_clock.now() < *best))
            best = e.due - m_clock.now();
    return best;
}

} // namespace TestSupport
