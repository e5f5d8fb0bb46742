#pragma once

#include "Base/Scheduler.h"

#include <QObject>

#include <functional>

namespace Parlino {

// Calls `frame` at the display rate while `moving` says something is still in motion, and once
// more when it stops, so the settled state is drawn however long a frame takes. Starting it while
// it runs does nothing.
// Its frames belong to `owner`, the widget it animates: none runs once the owner is gone, even
// one started while the owner's teardown was under way.
class FrameDriver {
public:
    static constexpr double interval = 1.0 / 60;

    FrameDriver(QObject& owner, Base::Scheduler& scheduler, std::function<void()> frame,
                std::function<bool()> moving);

    void start();
    bool isRunning() const { return m_task.isPending(); }

private:
    void scheduleTick();
    void tick();

    QObject& m_owner;
    Base::Scheduler& m_scheduler;
    std::function<void()> m_frame;
    std::function<bool()> m_moving;
    Base::ScheduledTask m_task;
};

} // namespace Parlino
