#pragma once

#include "Base/Scheduler.h"

#include <QObject>
#include <QtGlobal>

class QWidget;

namespace Parlino {

// The two-press confirmation of a destructive command: the first press arms, a second press
// while armed confirms. An armed state falls back by itself `disarmDelay` after the arming
// press; the owner also disarms when the pointer leaves its control or the control is hidden.
// Main thread only.
class TwoPressArming : public QObject {
    Q_OBJECT

public:
    static constexpr double disarmDelay = 2.5;

    explicit TwoPressArming(Base::Scheduler& scheduler, QObject* parent = nullptr);

    bool isArmed() const { return m_isArmed; }
    // Raised by every press, never by a disarm; a timed disarm acts only while its token holds.
    qint64 armToken() const { return m_armToken; }

    // Returns true when this press confirms: the caller then runs its command. The state is
    // already unarmed when it does.
    [[nodiscard]] bool press();
    // The pointer left the control or the control was hidden.
    void disarm();

signals:
    void isArmedChanged();

private:
    void setIsArmed(bool armed);

    Base::Scheduler& m_scheduler;
    bool m_isArmed = false;
    qint64 m_armToken = 0;
    Base::ScheduledTask m_disarmTask;
};

// Names `control` for assistive tools by what its next press does: `name` while `arming` is not
// armed (an empty one leaves a button named by its own text, which may change), `armedName`
// ("Press again to quit") while it is. The armed look tells the eye; the name,
// announced as the control arms, tells a screen reader, which speaks a new name of the focused
// control and not a new description. Lasts as long as the control.
void nameByNextPress(QWidget& control, const TwoPressArming& arming, const QString& name,
                     const QString& armedName);

} // namespace Parlino
