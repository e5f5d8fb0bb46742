#include "Base/Scheduler.h"

#include "Base/MainThread.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace Base {

ScheduledTask QtScheduler::after(double seconds, std::function<void()> work) {
    auto cancelled = std::make_shared<ScheduledTask::Flag>(false);
    // Guard the conversion: a non-finite or negative delay fires at once, a huge one at the limit.
    const double ms = std::isfinite(seconds) ? std::clamp(seconds * 1000.0, 0.0, 2.0e9) : 0.0;
    auto arm = [cancelled, ms, work = std::move(work)]() mutable {
        QTimer::singleShot(static_cast<int>(std::ceil(ms)), Qt::PreciseTimer,
                           QCoreApplication::instance(), [cancelled, work = std::move(work)] {
                               // Once fired, the task is no longer pending.
                               if (!cancelled->exchange(true))
                                   work();
                           });
    };
    if (MainThread::isCurrent())
        arm();
    else
        MainThread::post(std::move(arm));
    return ScheduledTask(cancelled);
}

QtScheduler& QtScheduler::shared() {
    static QtScheduler scheduler;
    return scheduler;
}

} // namespace Base
