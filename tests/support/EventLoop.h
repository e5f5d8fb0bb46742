#pragma once

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace TestSupport {

// Processes queued events until `done` holds or `timeoutMs` of real time pass; returns `done()`.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    return done();
}

// Runs everything already queued on the main thread.
inline void drainEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace TestSupport
