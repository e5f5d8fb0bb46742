#pragma once

#include "Base/Scheduler.h"

#include <functional>

namespace Parlino {

// Calls `frame` at the display rate while `moving` says something is still in motion, and once
// more when it stops, so the settled state is drawn. Starting it while it runs does nothing.
class FrameDriver {
public:
    static constexpr double interval = 1.0 / 60;

    FrameDriver(Base::Scheduler& scheduler, std::function<void()> frame,
                std::function<bool()> moving);

    void start();
    bool isRunning() const { return m_task.isPending(); }

private:
    void tick();

    Base::Scheduler& m_scheduler;
    std::function<void()> m_frame;
    std::function<bool()> m_moving;
    Base::ScheduledTask m_task;
};

} // namespace Parlino
