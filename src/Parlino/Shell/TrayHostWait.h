#pragma once

#include "Base/Scheduler.h"

#include <functional>

namespace Parlino {

// Waits for a tray host to start without looking for one while nothing happens. The desktop
// announces a new host (a tray manager on X, a status-notifier watcher on D-Bus); the toolkit
// sees it a little later, so after each announcement it asks a few times over a bounded while,
// and calls `onAvailable` once the host is there. Main thread only.
class TrayHostWait final {
public:
    // Seconds between two questions after an announcement, and how many are asked.
    static constexpr double checkInterval = 0.1;
    static constexpr int checksPerAnnouncement = 30;

    TrayHostWait(std::function<bool()> isAvailable, std::function<void()> onAvailable,
                 Base::Scheduler& scheduler);

    // A host may have started.
    void announced();

private:
    void check();

    std::function<bool()> m_isAvailable;
    std::function<void()> m_onAvailable;
    Base::Scheduler& m_scheduler;
    int m_checksLeft = 0;
    Base::ScheduledTask m_nextCheck;
};

} // namespace Parlino
