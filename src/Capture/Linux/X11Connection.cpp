#include "Capture/Linux/X11Connection.h"

#include "Base/Log.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <QHash>

namespace Capture {

namespace {

const Base::Log logger("focus-diag");

// The displays that are ours, each with how many of our connections have it: a display stays ours
// until its connection is closed, and the next one opened may well get the same address. An
// error on any other display goes to the handler that was there before ours.
std::mutex ourDisplaysMutex;
QHash<Display*, int> ourDisplays;
XErrorHandler previousHandler = nullptr;

int ignoreOurErrors(Display* display, XErrorEvent* event) {
    {
        std::lock_guard lock(ourDisplaysMutex);
        if (ourDisplays.contains(display)) {
            logger.debug("X error %d on request %d ignored", int(event->error_code),
                         int(event->request_code));
            return 0;
        }
    }
    return previousHandler ? previousHandler(display, event) : 0;
}

void adopt(Display* display) {
    static std::once_flag installed;
    std::call_once(installed, [] { previousHandler = XSetErrorHandler(ignoreOurErrors); });
    std::lock_guard lock(ourDisplaysMutex);
    ++ourDisplays[display];
}

void disown(Display* display) {
    std::lock_guard lock(ourDisplaysMutex);
    if (--ourDisplays[display] <= 0)
        ourDisplays.remove(display);
}

QString fromLocal(const char* text) {
    return text ? QString::fromLocal8Bit(text) : QString();
}

} // namespace

std::unique_ptr<X11Connection> X11Connection::open() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    adopt(display);
    return std::unique_ptr<X11Connection>(new X11Connection(display));
}

X11Connection::X11Connection(Display* display) : m_display(display) {}

X11Connection::~X11Connection() {
    // Still ours while it closes: closing syncs, which may report errors.
    XCloseDisplay(m_display);
    disown(m_display);
}

unsigned long X11Connection::atom(const char* name) {
    return XInternAtom(m_display, name, False);
}

std::vector<unsigned long> X11Connection::cardinalProperty(Window window, const char* property,
                                                           unsigned long type, long maxItems) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const int status = XGetWindowProperty(m_display, window, atom(property), 0, maxItems, False,
                                          type, &actualType, &format, &count, &remaining, &data);
    std::vector<unsigned long> values;
    if (status == Success && actualType == type && format == 32 && data) {
        // Xlib hands 32-bit items back as longs.
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        values.assign(items, items + count);
    }
    if (data)
        XFree(data);
    return values;
}

std::optional<X11Connection::Window> X11Connection::activeWindow() {
    std::lock_guard lock(m_mutex);
    const auto values =
        cardinalProperty(DefaultRootWindow(m_display), "_NET_ACTIVE_WINDOW", XA_WINDOW, 1);
    if (values.empty() || values.front() == None)
        return std::nullopt;
    return values.front();
}

std::vector<X11Connection::Window> X11Connection::clientWindows() {
    std::lock_guard lock(m_mutex);
    return cardinalProperty(DefaultRootWindow(m_display), "_NET_CLIENT_LIST", XA_WINDOW, 4096);
}

std::optional<qint32> X11Connection::windowPid(Window window) {
    std::lock_guard lock(m_mutex);
    const auto values = cardinalProperty(window, "_NET_WM_PID", XA_CARDINAL, 1);
    if (values.empty() || values.front() == 0 || values.front() > 0x7fffffff)
        return std::nullopt;
    return static_cast<qint32>(values.front());
}

std::optional<WindowClass> X11Connection::windowClass(Window window) {
    std::lock_guard lock(m_mutex);
    XClassHint hint{nullptr, nullptr};
    if (!XGetClassHint(m_display, window, &hint))
        return std::nullopt;
    WindowClass result{fromLocal(hint.res_name), fromLocal(hint.res_class)};
    XFree(hint.res_name);
    XFree(hint.res_class);
    return result;
}

int X11Connection::fileDescriptor() const {
    return ConnectionNumber(m_display);
}

void X11Connection::watchRootProperties() {
    std::lock_guard lock(m_mutex);
    XSelectInput(m_display, DefaultRootWindow(m_display), PropertyChangeMask);
    XFlush(m_display);
}

X11Connection::RootChanges X11Connection::drainRootChanges() {
    std::lock_guard lock(m_mutex);
    const Atom active = atom("_NET_ACTIVE_WINDOW");
    const Atom clients = atom("_NET_CLIENT_LIST");
    RootChanges changes;
    while (XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        if (event.type != PropertyNotify)
            continue;
        changes.activeWindow |= event.xproperty.atom == active;
        changes.clientList |= event.xproperty.atom == clients;
    }
    return changes;
}

} // namespace Capture
