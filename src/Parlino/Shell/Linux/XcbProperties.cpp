#include "Parlino/Shell/Linux/XcbProperties.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

#include <cstdlib>

namespace Parlino::Xcb {

xcb_connection_t* applicationConnection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

quint32 rootWindow(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

quint32 atom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name), nullptr);
    const quint32 found = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    std::free(reply);
    return found;
}

QList<quint32> values(xcb_connection_t* connection, quint32 window, quint32 property, quint32 type,
                      quint32 most) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, most), &error);
    QList<quint32> found;
    if (reply && reply->type == type && reply->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
        found = QList<quint32>(data, data + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    std::free(error);
    return found;
}

} // namespace Parlino::Xcb
