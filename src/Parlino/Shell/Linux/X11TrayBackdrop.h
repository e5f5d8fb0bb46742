#pragma once

#include "Parlino/Shell/TrayBackdrop.h"

#include <memory>

class QDBusServiceWatcher;
class QSocketNotifier;

namespace Capture {
class X11Connection;
}

namespace Parlino {

// The system tray of the X11 desktop: the colours its manager publishes on its own window, and
// the screen's pixels, through an X connection of its own. It follows the manager's published
// colours and the arrival of a new manager through the events X sends, and the arrival of a
// status-notifier host on the session bus, so it wakes only when they change. Without X11 it has
// no colours or pixels.
class X11TrayBackdrop final : public TrayBackdrop {
public:
    X11TrayBackdrop();
    ~X11TrayBackdrop() override;
    X11TrayBackdrop(const X11TrayBackdrop&) = delete;
    X11TrayBackdrop& operator=(const X11TrayBackdrop&) = delete;

    QList<quint32> publishedColours() override;
    QImage picture(const QRect& place) override;

private:
    void followManager();
    void readEvents();
    void readQueuedEventsSoon();

    std::unique_ptr<Capture::X11Connection> m_x11;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QDBusServiceWatcher> m_statusNotifierHosts;
    unsigned long m_selection = 0;
    unsigned long m_managerMessage = 0;
    unsigned long m_colours = 0;
    unsigned long m_manager = 0;
};

} // namespace Parlino
