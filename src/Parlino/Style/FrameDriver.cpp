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

// Whether anything moves is asked before the frame: asked after it, an animation that ended while
// the frame was being made would stop on a frame drawn short of its end. A frame that starts a new
// motion has scheduled the next tick itself.
void FrameDriver::tick() {
    const bool moving = m_moving();
    m_frame();
    if (moving && !isRunning())
        scheduleTick();
}

} // namespace Parlino
