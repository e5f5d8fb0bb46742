#include "Capture/Linux/X11PrimarySelection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <QByteArray>

#include <poll.h>

namespace Capture {

namespace {

// How long to wait for the server between two looks at the stop request, in milliseconds.
constexpr int pollMilliseconds = 10;

// The bits of a resource identifier that a client chooses; the rest is its base.
std::optional<unsigned long> resourceIdMask() {
    xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
    std::optional<unsigned long> mask;
    if (!xcb_connection_has_error(xcb))
        mask = xcb_get_setup(xcb)->resource_id_mask;
    xcb_disconnect(xcb);
    return mask;
}

struct Property {
    Atom type = None;
    QByteArray bytes;
};

// Reads and deletes the property, which hands the owner the turn in an incremental transfer.
Property takeProperty(Display* display, Window window, Atom property) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    Property result;
    if (XGetWindowProperty(display, window, property, 0, 0x1fffffff, True, AnyPropertyType, &type,
                           &format, &count, &remaining, &data) == Success) {
        result.type = type;
        if (data && format == 8)
            result.bytes = QByteArray(reinterpret_cast<const char*>(data), qsizetype(count));
    }
    if (data)
        XFree(data);
    return result;
}

// Waits for the next event of `display` that `matches` accepts, until `end` on `clock` or a stop.
template <class Matches>
bool nextEvent(Display* display, XEvent& event, Matches matches, const Base::Clock& clock,
               double end, std::stop_token stop) {
    for (;;) {
        while (XPending(display) > 0) {
            XNextEvent(display, &event);
            if (matches(event))
                return true;
        }
        if (stop.stop_requested() || clock.now() >= end)
            return false;
        pollfd descriptor{ConnectionNumber(display), POLLIN, 0};
        poll(&descriptor, 1, pollMilliseconds);
    }
}

} // namespace

std::unique_ptr<X11PrimarySelection> X11PrimarySelection::open(const Base::Clock& clock,
                                                               double timeout) {
    auto x11 = X11Connection::open();
    const auto mask = resourceIdMask();
    if (!x11 || !mask)
        return nullptr;
    return std::unique_ptr<X11PrimarySelection>(
        new X11PrimarySelection(std::move(x11), *mask, clock, timeout));
}

X11PrimarySelection::X11PrimarySelection(std::unique_ptr<X11Connection> x11,
                                         unsigned long resourceIdMask, const Base::Clock& clock,
                                         double timeout)
    : m_x11(std::move(x11)), m_resourceIdMask(resourceIdMask), m_clock(clock), m_timeout(timeout) {
    m_window = m_x11->withDisplay([](Display* display) {
        const Window window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        XSelectInput(display, window, PropertyChangeMask);
        XFlush(display);
        return window;
    });
}

X11PrimarySelection::~X11PrimarySelection() {
    m_x11->withDisplay([this](Display* display) { return XDestroyWindow(display, m_window); });
}

std::optional<QString> X11PrimarySelection::read(const CaptureTarget& target,
                                                 std::stop_token stop) {
    if (stop.stop_requested() || !ownedBy(target))
        return std::nullopt;
    return convert(stop);
}

bool X11PrimarySelection::ownedBy(const CaptureTarget& target) {
    const Window owner = m_x11->withDisplay(
        [](Display* display) { return XGetSelectionOwner(display, XA_PRIMARY); });
    if (owner == None)
        return false;
    if (target.isFrontmost) {
        if (const auto active = m_x11->activeWindow())
            return sameClient(owner, *active, m_resourceIdMask);
        return false;
    }
    if (target.app.pid <= 0)
        return false;
    for (const auto window : m_x11->clientWindows()) {
        if (m_x11->windowPid(window) == target.app.pid &&
            sameClient(owner, window, m_resourceIdMask))
            return true;
    }
    return false;
}

std::optional<QString> X11PrimarySelection::convert(std::stop_token stop) {
    return m_x11->withDisplay([&](Display* display) -> std::optional<QString> {
        const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
        const Atom incremental = XInternAtom(display, "INCR", False);
        const Atom property = XInternAtom(display, "PARLINO_PRIMARY", False);
        // Answers to earlier requests that came too late are of no use any more.
        XSync(display, True);
        XDeleteProperty(display, m_window, property);
        XConvertSelection(display, XA_PRIMARY, utf8, property, m_window, CurrentTime);
        XFlush(display);

        XEvent event;
        const auto answered = [&](const XEvent& e) {
            return e.type == SelectionNotify && e.xselection.requestor == m_window &&
                   e.xselection.selection == XA_PRIMARY;
        };
        if (!nextEvent(display, event, answered, m_clock, m_clock.now() + m_timeout, stop) ||
            event.xselection.property == None)
            return std::nullopt;

        Property answer = takeProperty(display, m_window, property);
        if (answer.type == incremental) {
            // Each further piece is a new value of the property; an empty one ends the transfer.
            const auto newPiece = [&](const XEvent& e) {
                return e.type == PropertyNotify && e.xproperty.window == m_window &&
                       e.xproperty.atom == property && e.xproperty.state == PropertyNewValue;
            };
            QByteArray text;
            for (;;) {
                if (!nextEvent(display, event, newPiece, m_clock, m_clock.now() + m_timeout, stop))
                    return std::nullopt;
                const Property piece = takeProperty(display, m_window, property);
                if (piece.bytes.isEmpty())
                    break;
                text += piece.bytes;
            }
            return QString::fromUtf8(text);
        }
        if (answer.type != utf8 && answer.type != XA_STRING)
            return std::nullopt;
        return answer.type == utf8 ? QString::fromUtf8(answer.bytes)
                                   : QString::fromLatin1(answer.bytes);
    });
}

} // namespace Capture
