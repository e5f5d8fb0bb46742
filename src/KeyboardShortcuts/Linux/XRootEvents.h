#pragma once

#include <QtGlobal>

struct xcb_connection_t;

namespace KeyboardShortcuts {

// Core events of the root window that the connection selects only while it needs them. X keeps
// one mask for each client and window, shared by everything that uses the connection (Qt
// included): a change reads the mask and writes it back with its own events added or taken out.
// Main thread.
class XRootEvents {
public:
    XRootEvents(xcb_connection_t* connection, quint32 rootWindow);
    // Takes its events out again.
    ~XRootEvents();
    XRootEvents(const XRootEvents&) = delete;
    XRootEvents& operator=(const XRootEvents&) = delete;

    // Selects exactly these of its events (an XCB_EVENT_MASK_* set); a request only when they
    // change.
    void select(quint32 events);

    // Adds the events to what the connection selects on the root window, and takes out those of
    // `removed`.
    static void change(xcb_connection_t* connection, quint32 rootWindow, quint32 added,
                       quint32 removed = 0);

private:
    xcb_connection_t* m_connection;
    quint32 m_root;
    quint32 m_events = 0;
};

} // namespace KeyboardShortcuts
