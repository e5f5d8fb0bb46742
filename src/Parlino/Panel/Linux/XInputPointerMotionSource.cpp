#include "Parlino/Panel/Linux/XInputPointerMotionSource.h"

#include "Base/Log.h"

#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace Parlino {

namespace {

const Base::Log log("surface");

// From XInput 2.1 on, raw events arrive even while another client holds a grab.
constexpr int wantedMajor = 2;
constexpr int wantedMinor = 2;

} // namespace

XInputPointerMotionSource::~XInputPointerMotionSource() {
    disconnect();
}

bool XInputPointerMotionSource::start(std::function<void()> onMotion) {
    if (!m_display && !connect()) {
        disconnect();
        return false;
    }
    m_handler = std::move(onMotion);
    selectMotion(true);
    return true;
}

void XInputPointerMotionSource::stop() {
    m_handler = nullptr;
    if (m_display)
        selectMotion(false);
}

bool XInputPointerMotionSource::connect() {
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        log.error("pointer motion: cannot open the X display");
        return false;
    }
    int event = 0;
    int error = 0;
    if (!XQueryExtension(m_display, "XInputExtension", &m_opcode, &event, &error)) {
        log.error("pointer motion: the X server has no XInput extension");
        return false;
    }
    int major = wantedMajor;
    int minor = wantedMinor;
    if (XIQueryVersion(m_display, &major, &minor) != Success) {
        log.error("pointer motion: the X server has XInput %d.%d, 2.2 is needed", major, minor);
        return false;
    }
    m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readEvents(); });
    return true;
}

void XInputPointerMotionSource::disconnect() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater(); // may run inside the notifier's own signal
        m_notifier = nullptr;
    }
    if (m_display) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    m_handler = nullptr;
}

// An empty mask stops the server sending motion; the connection stays for the next start.
void XInputPointerMotionSource::selectMotion(bool on) {
    unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
    if (on)
        XISetMask(bits, XI_RawMotion);
    XIEventMask mask = {XIAllMasterDevices, sizeof bits, bits};
    XISelectEvents(m_display, DefaultRootWindow(m_display), &mask, 1);
    XSync(m_display, False);
    readEvents(); // events read while syncing wait in Xlib's queue, not on the socket
}

// One report per batch: the controller reads the pointer's position itself.
void XInputPointerMotionSource::readEvents() {
    bool moved = false;
    while (m_display && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        const XGenericEventCookie& cookie = event.xcookie;
        if (cookie.type == GenericEvent && cookie.extension == m_opcode &&
            cookie.evtype == XI_RawMotion)
            moved = true;
    }
    if (moved && m_handler) {
        const auto handler = m_handler; // the handler may stop the source
        handler();
    }
}

} // namespace Parlino
