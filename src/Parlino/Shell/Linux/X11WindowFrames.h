#pragma once

#include "Parlino/Shell/WindowFrames.h"

#include <QAbstractNativeEventFilter>

#include <list>

struct xcb_connection_t;

namespace Parlino {

// The frame the X11 window manager tells in a window's "_NET_FRAME_EXTENTS", asked for with
// "_NET_REQUEST_FRAME_EXTENTS", which the manager answers even before the window is mapped. Its
// answers come as property changes on Qt's own connection, which already asks for the property
// changes of its windows. A frame counts only while the manager that told it runs (the window
// named by the root's "_NET_SUPPORTING_WM_CHECK", naming itself), and one told before no longer
// once its window's property is deleted while the window shows. Without X11 nothing is ever told.
// Main thread.
class X11WindowFrames final : public WindowFrames, private QAbstractNativeEventFilter {
public:
    X11WindowFrames();
    ~X11WindowFrames() override;
    X11WindowFrames(const X11WindowFrames&) = delete;
    X11WindowFrames& operator=(const X11WindowFrames&) = delete;

    std::optional<QMargins> told(const QWidget& window) override;
    std::optional<QMargins> toldBefore() override;
    std::unique_ptr<Following> follow(QWidget& window, std::function<void(QMargins)> told) override;

private:
    struct Follower {
        quint32 window;
        std::function<void(QMargins)> told;
    };
    struct Told {
        quint32 window;
        QMargins frame;
        quint32 manager;
    };
    class Handle;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;
    std::optional<QMargins> read(quint32 window) const;
    // The running manager's own window; 0 when none runs.
    quint32 manager() const;
    quint32 windowProperty(quint32 window, quint32 property) const;
    void request(quint32 window) const;

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_extents = 0;
    quint32 m_request = 0;
    quint32 m_managerCheck = 0;
    std::list<Follower> m_followers;
    std::optional<Told> m_toldBefore;
};

} // namespace Parlino
