#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace TestSupport {

// Processes queued events until `done` holds or `timeoutMs` of real time pass; returns whether
// `done` held. Once it holds it is not asked again: a check that asks another process may not get
// the same answer twice on a busy machine.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (done())
            return true;
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
}

// Runs everything already queued on the main thread.
inline void drainEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace TestSupport
