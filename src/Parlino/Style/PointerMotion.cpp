#include "Parlino/Style/PointerMotion.h"

#include <QPointer>

namespace Parlino {

PointerMotion::PointerMotion(const Base::Clock& clock, Base::Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_clock(clock), m_scheduler(scheduler), m_stillAt(clock.now()) {}

PointerMotion& PointerMotion::shared() {
    static PointerMotion motion(Base::SteadyClock::shared(), Base::QtScheduler::shared());
    return motion;
}

void PointerMotion::pointerMoved() {
    m_stillAt = m_clock.now() + idleDelay;
    if (m_isMoving)
        return; // the idle timer running now will find the new stillAt
    setIsMoving(true);
    waitUntilStill();
}

// Each wake-up re-reads stillAt, so motions only move the deadline and never add a timer.
void PointerMotion::waitUntilStill() {
    const double remaining = m_stillAt - m_clock.now();
    if (remaining > 0) {
        m_idleTask = m_scheduler.after(remaining, [self = QPointer(this)] {
            if (self)
                self->waitUntilStill();
        });
        return;
    }
    m_idleTask = {};
    setIsMoving(false);
}

void PointerMotion::setIsMoving(bool moving) {
    if (moving == m_isMoving)
        return;
    m_isMoving = moving;
    emit isMovingChanged();
}

} // namespace Parlino
