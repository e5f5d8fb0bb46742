#include "Parlino/Panel/Linux/X11Focus.h"

#include "Parlino/Panel/Linux/X11Display.h"

#include <optional>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace Parlino::X11 {

namespace {

// An unmapped window on a connection of our own, whose property changes tell the server's time.
struct Clock {
    Display* display = XOpenDisplay(nullptr);
    Window window = None;
    Atom property = None;

    Clock() {
        if (!display)
            return;
        XSetWindowAttributes attributes{};
        attributes.event_mask = PropertyChangeMask;
        window = XCreateWindow(display, DefaultRootWindow(display), -1, -1, 1, 1, 0, 0, InputOnly,
                               CopyFromParent, CWEventMask, &attributes);
        property = XInternAtom(display, "_PARLINO_SERVER_TIME", False);
    }
    ~Clock() {
        if (display)
            XCloseDisplay(display);
    }
    Clock(const Clock&) = delete;
    Clock& operator=(const Clock&) = delete;

    // Appending nothing to a property still stamps a property-change event with the time; once
    // the server has answered the round trip, that event is in the queue.
    std::optional<Time> now() const {
        if (!display)
            return std::nullopt;
        XChangeProperty(display, window, property, XA_INTEGER, 32, PropModeAppend, nullptr, 0);
        XSync(display, False);
        std::optional<Time> time;
        XEvent event;
        while (XCheckTypedWindowEvent(display, window, PropertyNotify, &event))
            time = event.xproperty.time;
        return time;
    }
};

} // namespace

bool focusWindow(unsigned long window) {
    static const Clock clock;
    Display* display = applicationDisplay();
    const std::optional<Time> time = clock.now();
    if (!display || !time)
        return false;
    // On the application's own connection, after the request that showed the window.
    XSetInputFocus(display, window, RevertToParent, *time);
    XFlush(display);
    return true;
}

} // namespace Parlino::X11
