#pragma once

#include "Parlino/Shell/DesktopDocks.h"

struct xcb_connection_t;

namespace Parlino {

// The docks of an X11 desktop: the windows its manager lists in the root's "_NET_CLIENT_LIST"
// with the type "_NET_WM_WINDOW_TYPE_DOCK", as they are mapped now, from the device pixels of the
// screen they stand on into Qt's logical ones. Without X11, or a manager that lists its windows,
// there are none. Main thread.
class X11DesktopDocks final : public DesktopDocks {
public:
    X11DesktopDocks();

    QList<QRect> docks() override;

private:
    QList<quint32> clients() const;
    bool isDock(quint32 window) const;
    // Where the mapped window stands in device pixels; empty when it is not mapped.
    QRect placeOf(quint32 window) const;

    xcb_connection_t* m_connection = nullptr;
    quint32 m_root = 0;
    quint32 m_clientList = 0;
    quint32 m_windowType = 0;
    quint32 m_dockType = 0;
};

} // namespace Parlino
