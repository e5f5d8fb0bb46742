#pragma once

#include "Base/Clock.h"
#include "Base/Scheduler.h"

#include <QObject>

namespace Parlino {

// Whether the pointer is moving: true from the first reported motion until the pointer has
// rested for `idleDelay`. Whoever sees pointer motion calls pointerMoved(); views observe
// isMoving. However many motions arrive, one idle timer runs. Main thread only.
class PointerMotion : public QObject {
    Q_OBJECT

public:
    static constexpr double idleDelay = 1.0;

    PointerMotion(const Base::Clock& clock, Base::Scheduler& scheduler, QObject* parent = nullptr);

    // The application's one instance, on the steady clock and Qt timers; made on first use.
    static PointerMotion& shared();

    bool isMoving() const { return m_isMoving; }
    // The moment the pointer will count as resting unless it moves again.
    double stillAt() const { return m_stillAt; }

    void pointerMoved();

signals:
    void isMovingChanged();

private:
    void waitUntilStill();
    void setIsMoving(bool moving);

    const Base::Clock& m_clock;
    Base::Scheduler& m_scheduler;
    bool m_isMoving = false;
    double m_stillAt;
    Base::ScheduledTask m_idleTask;
};

} // namespace Parlino
