#include "KeyboardShortcuts/Linux/XkbLayoutTracker.h"

#include "KeyboardShortcuts/KeyboardLayout.h"
#include "KeyboardShortcuts/Linux/XkbKeyboardLayout.h"

#include <QGuiApplication>

#include "KeyboardShortcuts/Linux/XcbXkb.h"
#include <xcb/xcb.h>

namespace KeyboardShortcuts {

XkbLayoutTracker::XkbLayoutTracker() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    m_connection = x11 ? x11->connection() : nullptr;
    if (!m_connection)
        return;
    // Qt listens to the keyboard's notifications on this connection; they pass through here.
    if (const auto* xkb = xcb_get_extension_data(m_connection, &xcb_xkb_id); xkb && xkb->present)
        m_xkbEventType = xkb->first_event;
    reload();
    QCoreApplication::instance()->installNativeEventFilter(this);
}

XkbLayoutTracker::~XkbLayoutTracker() {
    if (m_connection)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool XkbLayoutTracker::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || m_xkbEventType == 0)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != m_xkbEventType)
        return false;
    // The XKB event's own type is in the byte after the response type.
    switch (event->pad0) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY:
    case XCB_XKB_MAP_NOTIFY:
        reload();
        break;
    case XCB_XKB_STATE_NOTIFY:
        if (reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->changed &
            XCB_XKB_STATE_PART_GROUP_STATE)
            reload();
        break;
    default:
        break;
    }
    return false;
}

void XkbLayoutTracker::reload() {
    setKeyboardLayout(XkbKeyboardLayout::current(m_connection));
}

} // namespace KeyboardShortcuts
