#include "Parlino/Shell/Linux/X11DesktopDocks.h"

#include "Parlino/Shell/Linux/XcbProperties.h"

#include <QGuiApplication>
#include <QScreen>
#include <QtMath>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace Parlino {

namespace {

// No list longer than this is read: no desktop manages so many windows.
constexpr quint32 mostClients = 4096;

struct Free {
    void operator()(void* reply) const { std::free(reply); }
};
template <class Reply> using Owned = std::unique_ptr<Reply, Free>;

// A rectangle in a screen's device pixels in Qt's logical ones: Qt keeps each screen's top left
// where it is and scales what lies from there, by the screen's ratio. Rounded outwards, so that
// nothing of the dock is left out.
QRect logical(const QRect& device) {
    for (const QScreen* screen : QGuiApplication::screens()) {
        const qreal ratio = screen->devicePixelRatio();
        const QPoint origin = screen->geometry().topLeft();
        const QRect native(origin, (QSizeF(screen->geometry().size()) * ratio).toSize());
        if (!native.contains(device.center()))
            continue;
        const QPointF from = QPointF(device.topLeft() - origin) / ratio;
        const QPointF to = QPointF(device.bottomRight() + QPoint(1, 1) - origin) / ratio;
        return QRect(origin + QPoint(qFloor(from.x()), qFloor(from.y())),
                     origin + QPoint(qCeil(to.x()) - 1, qCeil(to.y()) - 1));
    }
    return {};
}

} // namespace

X11DesktopDocks::X11DesktopDocks() : m_connection(Xcb::applicationConnection()) {
    if (!m_connection)
        return;
    m_root = Xcb::rootWindow(m_connection);
    m_clientList = Xcb::atom(m_connection, "_NET_CLIENT_LIST");
    m_windowType = Xcb::atom(m_connection, "_NET_WM_WINDOW_TYPE");
    m_dockType = Xcb::atom(m_connection, "_NET_WM_WINDOW_TYPE_DOCK");
}

QList<QRect> X11DesktopDocks::docks() {
    QList<QRect> docks;
    if (!m_connection)
        return docks;
    for (const quint32 window : clients())
        if (isDock(window))
            if (const QRect place = logical(placeOf(window)); !place.isEmpty())
                docks.append(place);
    return docks;
}

QList<quint32> X11DesktopDocks::clients() const {
    return Xcb::values(m_connection, m_root, m_clientList, XCB_ATOM_WINDOW, mostClients);
}

bool X11DesktopDocks::isDock(quint32 window) const {
    // A window has a few types at the most, the one it prefers first.
    return Xcb::values(m_connection, window, m_windowType, XCB_ATOM_ATOM, 16).contains(m_dockType);
}

QRect X11DesktopDocks::placeOf(quint32 window) const {
    // A window gone meanwhile answers with an error, taken in here: it has no place.
    xcb_generic_error_t* errors[3] = {};
    const Owned<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), &errors[0]));
    const Owned<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), &errors[1]));
    const Owned<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), &errors[2]));
    for (xcb_generic_error_t* error : errors)
        std::free(error);
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || !geometry || !at)
        return {};
    return {at->dst_x, at->dst_y, geometry->width, geometry->height};
}

} // namespace Parlino
