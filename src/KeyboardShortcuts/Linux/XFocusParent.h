#pragma once

#include <QtGlobal>

#include <functional>

struct xcb_connection_t;

namespace KeyboardShortcuts {

// Follows the X input focus and names the window to hold the hot keys' grabs on: the parent of
// the window that has the focus. A grab that activates moves the keyboard focus to its window,
// and the server tells every window on the way that it lost the focus; from the focused window to
// its parent, that is only the focused window, with a detail that says the focus went to an
// ancestor. GTK keeps the focus on a child of its top-level window and ignores focus events of
// that child, so the application does not see itself lose the focus (and a screen reader does not
// present it again); from the root window, the top-level window itself loses the focus. The root
// window when the focus is on no window, on a top-level window that has no frame, or on one whose
// parent is this application's own (whose key events are its own). Main thread.
class XFocusParent {
public:
    XFocusParent(xcb_connection_t* connection, quint32 rootWindow,
                 std::function<void(quint32 window)> onChange);
    ~XFocusParent();
    XFocusParent(const XFocusParent&) = delete;
    XFocusParent& operator=(const XFocusParent&) = delete;

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
    quint32 m_window;
};

} // namespace KeyboardShortcuts
