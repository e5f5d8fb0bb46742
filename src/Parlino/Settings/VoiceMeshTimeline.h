#pragma once

#include "Base/Date.h"
#include "Base/Scheduler.h"

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace Parlino {

// The one frame clock of every moving avatar: while any subscribed widget is on screen it
// repaints those widgets at most 30 times a second; with no subscriber it schedules nothing, so
// still avatars cost nothing.
class VoiceMeshTimeline {
public:
    static constexpr double interval = 1.0 / 30;

    VoiceMeshTimeline(Base::Scheduler& scheduler, std::function<Base::Date()> now);

    // The time of the current frame, seconds since 2001-01-01.
    double time() const;

    // A widget joins while it moves and leaves when it stops or is hidden; subscribing twice
    // counts once, and a destroyed widget drops out by itself.
    void subscribe(QWidget* widget);
    void unsubscribe(QWidget* widget);
    bool isRunning() const { return m_task.isPending(); }

private:
    void tick();

    Base::Scheduler& m_scheduler;
    std::function<Base::Date()> m_now;
    QList<QPointer<QWidget>> m_widgets;
    Base::ScheduledTask m_task;
};

} // namespace Parlino
