#pragma once

#include <QObject>

namespace Base {
class Clock;
class Scheduler;
} // namespace Base

namespace Parlino {

// The user's wishes for less motion and less transparency, as the desktop reports them. The
// environment variables PARLINO_REDUCE_MOTION and PARLINO_REDUCE_TRANSPARENCY ("1" on, "0" off)
// pin a value for tests and demonstrations; a pinned value ignores the desktop.
class MotionPreferences : public QObject {
    Q_OBJECT

public:
    explicit MotionPreferences(QObject* parent = nullptr);

    bool reduceMotion() const { return m_reduceMotion; }
    bool reduceTransparency() const { return m_reduceTransparency; }

    // The desktop's values; each is dropped when the environment pins that preference.
    void setReduceMotion(bool reduce);
    void setReduceTransparency(bool reduce);

signals:
    void reduceMotionChanged();
    void reduceTransparencyChanged();

private:
    bool m_reduceMotion = false;
    bool m_reduceTransparency = false;
    bool m_motionPinned = false;
    bool m_transparencyPinned = false;
};

// What an animated control needs: the clock its values read, the scheduler that drives its
// repaints while they move, and the motion preferences.
struct MotionContext {
    const Base::Clock& clock;
    Base::Scheduler& scheduler;
    const MotionPreferences& preferences;
};

} // namespace Parlino
