#include "Parlino/Shell/TrayHostWait.h"

namespace Parlino {

TrayHostWait::TrayHostWait(std::function<bool()> isAvailable, std::function<void()> onAvailable,
                           Base::Scheduler& scheduler)
    : m_isAvailable(std::move(isAvailable)), m_onAvailable(std::move(onAvailable)),
      m_scheduler(scheduler) {}

void TrayHostWait::announced() {
    m_checksLeft = checksPerAnnouncement;
    if (!m_nextCheck.isPending())
        m_nextCheck = m_scheduler.after(checkInterval, [this] { check(); });
}

void TrayHostWait::check() {
    if (m_isAvailable()) {
        m_checksLeft = 0;
        // The callback may destroy this wait, and with it the stored function.
        const std::function<void()> onAvailable = m_onAvailable;
        onAvailable();
        return;
    }
    if (--m_checksLeft > 0)
        m_nextCheck = m_scheduler.after(checkInterval, [this] { check(); });
}

} // namespace Parlino
