#include "KeyboardShortcuts/Linux/XFocusTarget.h"

#include "KeyboardShortcuts/Linux/XRootEvents.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace KeyboardShortcuts {

namespace {

template <class T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <class T> Reply<T> reply(T* value) {
    return Reply<T>(value, &std::free);
}

constexpr quint32 focusEvents = XCB_EVENT_MASK_FOCUS_CHANGE;

quint32 internAtom(xcb_connection_t* connection, const char* name) {
    const auto answer = reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, true, quint16(strlen(name)), name), nullptr));
    return answer ? answer->atom : quint32(XCB_ATOM_NONE);
}

} // namespace

XFocusTarget::XFocusTarget(xcb_connection_t* connection, quint32 rootWindow,
                           std::function<void(quint32 window)> onChange)
    : m_connection(connection), m_root(rootWindow),
      m_activeWindowAtom(internAtom(connection, "_NET_ACTIVE_WINDOW")), m_window(rootWindow) {
    // The root window tells when the focus goes to no window or comes back from none, and the
    // window manager names the active window there.
    XRootEvents::change(connection, rootWindow, focusEvents | XCB_EVENT_MASK_PROPERTY_CHANGE);
    update();
    m_onChange = std::move(onChange);
}

XFocusTarget::~XFocusTarget() {
    watch(m_focus, false);
    watch(m_parent, false);
    xcb_flush(m_connection);
}

bool XFocusTarget::isOwn(xcb_connection_t* connection, quint32 window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

void XFocusTarget::handle(const void* xcbEvent) {
    const auto* event = static_cast<const xcb_generic_event_t*>(xcbEvent);
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_FOCUS_IN || type == XCB_FOCUS_OUT) {
        // Focus-out events have the same layout.
        const auto* focus = reinterpret_cast<const xcb_focus_in_event_t*>(event);
        // A grab moves the keyboard, not the focus.
        if (focus->mode == XCB_NOTIFY_MODE_GRAB || focus->mode == XCB_NOTIFY_MODE_UNGRAB)
            return;
        if (focus->event == m_focus || focus->event == m_parent || focus->event == m_root)
            update();
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
        if (property->window == m_root && property->atom == m_activeWindowAtom)
            update();
    }
}

void XFocusTarget::update() {
    const auto focus =
        reply(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    // None and PointerRoot are no windows.
    const quint32 focused = focus && focus->focus > XCB_INPUT_FOCUS_POINTER_ROOT ? focus->focus : 0;
    quint32 parent = 0;
    quint32 window = m_root;
    if (focused != 0 && focused != m_root) {
        // The window may be gone already: its error is not worth a report.
        xcb_generic_error_t* error = nullptr;
        const auto tree = reply(
            xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, focused), &error));
        std::free(error);
        if (tree) {
            parent = tree->parent;
            if (!isOwn(m_connection, focused))
                window = focused;
            else if (parent != XCB_WINDOW_NONE && !isOwn(m_connection, parent))
                window = parent;
        }
    }
    const quint32 oldFocus = m_focus;
    const quint32 oldParent = m_parent;
    const quint32 oldWindow = m_window;
    m_focus = focused;
    m_parent = parent;
    m_window = window;
    for (const quint32 old : {oldFocus, oldParent})
        if (old != m_focus && old != m_parent)
            watch(old, false);
    for (const quint32 now : {m_focus, m_parent})
        if (now != oldFocus && now != oldParent)
            watch(now, true);
    xcb_flush(m_connection);
    if (window != oldWindow && m_onChange)
        m_onChange(window);
}

// Another client's window tells this connection when the focus leaves it; the connection's own
// windows and the root window select their events already.
void XFocusTarget::watch(quint32 window, bool on) {
    if (window == 0 || window == m_root || isOwn(m_connection, window))
        return;
    const quint32 mask = on ? focusEvents : 0;
    // The window may be gone: its error is not worth a report.
    const xcb_void_cookie_t cookie =
        xcb_change_window_attributes_checked(m_connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_discard_reply(m_connection, cookie.sequence);
}

} // namespace KeyboardShortcuts
