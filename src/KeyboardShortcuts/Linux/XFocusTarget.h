#pragma once

#include <QtGlobal>

#include <functional>

struct xcb_connection_t;

namespace KeyboardShortcuts {

// Follows the X input focus and names the window to hold the hot keys' grabs on: the window that
// has the focus itself. A grab that activates moves the keyboard focus to its window, and the
// server tells the windows on the way that the focus left them until the grab ends. Held on an
// ancestor, the grab would leave the focused window without the focus while the keys are down:
// Qt, which gives the focus to its top-level window, takes the window for deactivated once that
// lasts past a short delay, and a screen reader presents the window again when it comes back. On
// the focused window itself, the server tells the window that the focus left and came back in the
// same instant. The root window when the focus is on no window or on a window that is gone. For a
// window of this application, whose key events are its own, that window's parent, or the root
// window when the parent is this application's own too. Main thread.
class XFocusTarget {
public:
    XFocusTarget(xcb_connection_t* connection, quint32 rootWindow,
                 std::function<void(quint32 window)> onChange);
    ~XFocusTarget();
    XFocusTarget(const XFocusTarget&) = delete;
    XFocusTarget& operator=(const XFocusTarget&) = delete;

    quint32 window() const { return m_window; }
    // `onChange` hears of every later change of the window. Looks again when the event says
    // that the focus may have moved.
    void handle(const void* xcbEvent);

    // Whether the window was made by this connection.
    static bool isOwn(xcb_connection_t* connection, quint32 window);

private:
    void update();
    void watch(quint32 window, bool on);

    xcb_connection_t* m_connection;
    quint32 m_root;
    quint32 m_activeWindowAtom;
    std::function<void(quint32)> m_onChange;
    quint32 m_focus = 0;
    // The focused window's parent, which hears when the focus comes back to it because the
    // focused window went away (the focused window's grabs go with it).
    quint32 m_parent = 0;
    quint32 m_window;
};

} // namespace KeyboardShortcuts
