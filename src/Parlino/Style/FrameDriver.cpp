#include "Parlino/Style/FrameDriver.h"

namespace Parlino {

FrameDriver::FrameDriver(Base::Scheduler& scheduler, std::function<void()> frame,
                         std::function<bool()> moving)
    : m_scheduler(scheduler), m_frame(std::move(frame)), m_moving(std::move(moving)) {}

void FrameDriver::start() {
    if (!isRunning())
        m_task = m_scheduler.after(interval, [this] { tick(); });
}

void FrameDriver::tick() {
    m_frame();
    if (m_moving())
        m_task = m_scheduler.after(interval, [this] { tick(); });
}

} // namespace Parlino
