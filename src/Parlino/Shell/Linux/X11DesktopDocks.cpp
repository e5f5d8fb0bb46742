#include "Parlino/Shell/Linux/X11DesktopDocks.h"

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

quint32 atom(xcb_connection_t* connection, const char* name) {
    const Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : quint32(XCB_ATOM_NONE);
}

// The 32-bit values of a window's property of `type`; none when it has no such property.
QList<quint32> values(xcb_connection_t* connection, quint32 window, quint32 property,
                      quint32 type) {
    const Owned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, mostClients),
        nullptr));
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    return QList<quint32>(data, data + xcb_get_property_value_length(reply.get()) / 4);
}

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

X11DesktopDocks::X11DesktopDocks() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    m_connection = x11 ? x11->connection() : nullptr;
    if (!m_connection)
        return;
    m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
    m_clientList = atom(m_connection, "_NET_CLIENT_LIST");
    m_windowType = atom(m_connection, "_NET_WM_WINDOW_TYPE");
    m_dockType = atom(m_connection, "_NET_WM_WINDOW_TYPE_DOCK");
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
    return values(m_connection, m_root, m_clientList, XCB_ATOM_WINDOW);
}

bool X11DesktopDocks::isDock(quint32 window) const {
    return values(m_connection, window, m_windowType, XCB_ATOM_ATOM).contains(m_dockType);
}

QRect X11DesktopDocks::placeOf(quint32 window) const {
    const Owned<xcb_get_window_attributes_reply_t> attributes(xcb_get_window_attributes_reply(
        m_connection, xcb_get_window_attributes(m_connection, window), nullptr));
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return {};
    const Owned<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(m_connection, xcb_get_geometry(m_connection, window), nullptr));
    const Owned<xcb_translate_coordinates_reply_t> at(xcb_translate_coordinates_reply(
        m_connection, xcb_translate_coordinates(m_connection, window, m_root, 0, 0), nullptr));
    if (!geometry || !at)
        return {};
    return {at->dst_x, at->dst_y, geometry->width, geometry->height};
}

} // namespace Parlino
