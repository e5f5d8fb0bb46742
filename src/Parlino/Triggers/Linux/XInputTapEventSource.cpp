#include "Parlino/Triggers/Linux/XInputTapEventSource.h"

#include "Base/Clock.h"
#include "Base/Log.h"
#include "Parlino/Triggers/Linux/ServerTime.h"

#include <QByteArray>
#include <QSocketNotifier>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>

namespace Parlino {

namespace {

const Base::Log log("tap");

// From XInput 2.1 on, raw events arrive even while another client holds a grab.
constexpr int wantedMajor = 2;
constexpr int wantedMinor = 2;

// The server makes one XTest keyboard and pointer for each master, named after it: "Virtual
// core XTEST keyboard". Telling them by name costs no request that could fail, and a failed
// request on an Xlib connection ends the process.
bool isSyntheticDevice(const XIDeviceInfo& device) {
    const QByteArray name(device.name);
    return name.endsWith(" XTEST keyboard") || name.endsWith(" XTEST pointer");
}

} // namespace

XInputTapEventSource::XInputTapEventSource(const Base::Clock& clock, SyntheticEvents synthetic)
    : m_clock(clock), m_synthetic(synthetic) {}

XInputTapEventSource::~XInputTapEventSource() {
    stop();
}

bool XInputTapEventSource::start(Handler handler) {
    stop();
    if (!connect()) {
        stop();
        return false;
    }
    m_handler = std::move(handler);
    m_notifier = new QSocketNotifier(ConnectionNumber(m_display), QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { readEvents(); });
    readEvents(); // replies read while connecting may have queued events already
    return true;
}

void XInputTapEventSource::stop() {
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater(); // stop may run inside the notifier's own signal
        m_notifier = nullptr;
    }
    if (m_display) {
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    m_handler = nullptr;
    m_translator = {};
    m_syntheticDevices.clear();
}

bool XInputTapEventSource::connect() {
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        log.error("tap source: cannot open the X display");
        return false;
    }
    int event = 0;
    int error = 0;
    if (!XQueryExtension(m_display, "XInputExtension", &m_opcode, &event, &error)) {
        log.error("tap source: the X server has no XInput extension");
        return false;
    }
    int major = wantedMajor;
    int minor = wantedMinor;
    if (XIQueryVersion(m_display, &major, &minor) != Success) {
        log.error("tap source: the X server has XInput %d.%d, 2.2 is needed", major, minor);
        return false;
    }
    unsigned char rawMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(rawMask, XI_RawKeyPress);
    XISetMask(rawMask, XI_RawKeyRelease);
    XISetMask(rawMask, XI_RawButtonPress);
    unsigned char hierarchyMask[XIMaskLen(XI_LASTEVENT)] = {};
    XISetMask(hierarchyMask, XI_HierarchyChanged);
    XIEventMask masks[] = {
        {XIAllMasterDevices, sizeof rawMask, rawMask},
        {XIAllDevices, sizeof hierarchyMask, hierarchyMask},
    };
    XISelectEvents(m_display, DefaultRootWindow(m_display), masks, 2);
    findSyntheticDevices();
    XSync(m_display, False); // delivering from here on
    return true;
}

void XInputTapEventSource::readEvents() {
    while (m_display && XPending(m_display) > 0) {
        XEvent event;
        XNextEvent(m_display, &event);
        XGenericEventCookie* cookie = &event.xcookie;
        if (cookie->type != GenericEvent || cookie->extension != m_opcode ||
            !XGetEventData(m_display, cookie))
            continue;
        const auto translated = translate(cookie->evtype, cookie->data);
        XFreeEventData(m_display, cookie);
        if (translated) {
            const Handler handler = m_handler; // the handler may stop the source
            handler(*translated);
        }
    }
}

std::optional<TapSourceEvent> XInputTapEventSource::translate(int type, const void* data) {
    if (type == XI_HierarchyChanged) {
        findSyntheticDevices();
        return std::nullopt;
    }
    const auto* raw = static_cast<const XIRawEvent*>(data);
    if (m_synthetic == SyntheticEvents::ignored && m_syntheticDevices.contains(raw->sourceid))
        return std::nullopt;
    const double at = ServerTime::uptime(quint32(raw->time), m_clock.now());
    switch (type) {
    case XI_RawKeyPress:
        return m_translator.keyPressed(quint32(raw->detail), raw->flags & XIKeyRepeat, at);
    case XI_RawKeyRelease:
        return m_translator.keyReleased(quint32(raw->detail), at);
    case XI_RawButtonPress:
        return TapSourceEvent::mouseActivity(at); // buttons 4 to 7 are the wheels
    }
    return std::nullopt;
}

void XInputTapEventSource::findSyntheticDevices() {
    m_syntheticDevices.clear();
    int count = 0;
    XIDeviceInfo* devices = XIQueryDevice(m_display, XIAllDevices, &count);
    for (int i = 0; i < count; ++i) {
        if (isSyntheticDevice(devices[i]))
            m_syntheticDevices.insert(devices[i].deviceid);
    }
    XIFreeDeviceInfo(devices);
}

} // namespace Parlino
