#include "KeyboardShortcuts/LocalEventMonitor.h"

#include <QCoreApplication>

namespace KeyboardShortcuts {

LocalEventMonitor::LocalEventMonitor(QSet<QEvent::Type> events, Callback callback)
    : m_events(std::move(events)), m_callback(std::move(callback)) {}

LocalEventMonitor::~LocalEventMonitor() {
    stop();
}

LocalEventMonitor& LocalEventMonitor::start() {
    if (!m_isStarted && QCoreApplication::instance()) {
        m_isStarted = true;
        QCoreApplication::instance()->installEventFilter(this);
    }
    return *this;
}

void LocalEventMonitor::stop() {
    if (!m_isStarted)
        return;
    m_isStarted = false;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool LocalEventMonitor::eventFilter(QObject* receiver, QEvent* event) {
    return m_isStarted && m_events.contains(event->type()) && m_callback(receiver, event);
}

} // namespace KeyboardShortcuts
