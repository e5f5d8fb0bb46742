#include "KeyboardShortcuts/Linux/XRootEvents.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace KeyboardShortcuts {

XRootEvents::XRootEvents(xcb_connection_t* connection, quint32 rootWindow)
    : m_connection(connection), m_root(rootWindow) {}

XRootEvents::~XRootEvents() {
    select(0);
}

void XRootEvents::select(quint32 events) {
    if (events == m_events)
        return;
    change(m_connection, m_root, events, m_events & ~events);
    m_events = events;
}

void XRootEvents::change(xcb_connection_t* connection, quint32 rootWindow, quint32 added,
                         quint32 removed) {
    const std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&std::free)> attributes(
        xcb_get_window_attributes_reply(connection,
                                        xcb_get_window_attributes(connection, rootWindow), nullptr),
        &std::free);
    const quint32 mask = ((attributes ? attributes->your_event_mask : 0) | added) & ~removed;
    xcb_change_window_attributes(connection, rootWindow, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

} // namespace KeyboardShortcuts
