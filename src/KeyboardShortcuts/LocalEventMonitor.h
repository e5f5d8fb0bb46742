#pragma once

#include <QEvent>
#include <QObject>
#include <QSet>

#include <functional>

namespace KeyboardShortcuts {

// Sees the application's own events of the chosen types before their receivers do, and may
// swallow them. It filters at the application, so it also sees the events of an open menu,
// which holds the keyboard while it is open. Main thread.
//
// An event the callback lets through can come back once more when Qt hands it on to the
// receiver's parent; the callback should answer the same again.
class LocalEventMonitor final : public QObject {
public:
    // Answers true to swallow the event.
    using Callback = std::function<bool(QObject* receiver, QEvent* event)>;

    LocalEventMonitor(QSet<QEvent::Type> events, Callback callback);
    ~LocalEventMonitor() override;

    // Both may be called any number of times.
    LocalEventMonitor& start();
    void stop();

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;

private:
    QSet<QEvent::Type> m_events;
    Callback m_callback;
    bool m_isStarted = false;
};

} // namespace KeyboardShortcuts
