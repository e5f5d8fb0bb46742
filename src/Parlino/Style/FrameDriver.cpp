#include "Parlino/Style/FrameDriver.h"

#include <QPointer>

namespace Parlino {

FrameDriver::FrameDriver(QObject& owner, Base::Scheduler& scheduler, std::function<void()> frame,
                         std::function<bool()> moving)
    : m_owner(owner), m_scheduler(scheduler), m_frame(std::move(frame)),
      m_moving(std::move(moving)) {}

void FrameDriver::start() {
    if (!isRunning())
        scheduleTick();
}

void FrameDriver::scheduleTick() {
    // The guard is all that is read once the owner is gone.
    m_task = m_scheduler.after(interval, [this, owner = QPointer(&m_owner)] {
        if (owner)
            tick();
    });
}

void FrameDriver::tick() {
    m_frame();
    if (m_moving())
        scheduleTick();
}

} // namespace Parlino
