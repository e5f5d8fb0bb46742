#include "Parlino/Shell/Linux/X11TrayBackdrop.h"

#include "Capture/Linux/X11Connection.h"

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace Parlino {

namespace {

constexpr long publishedChannelCount = 12;

} // namespace

X11TrayBackdrop::X11TrayBackdrop()
    : m_x11(Capture::X11Connection::open()),
      // A status-notifier host, which shows the icon in place of an embedding tray, announces
      // itself by taking this name on the session bus.
      m_statusNotifierHosts(std::make_unique<QDBusServiceWatcher>(
          QStringLiteral("org.kde.StatusNotifierWatcher"), QDBusConnection::sessionBus(),
          QDBusServiceWatcher::WatchForRegistration)) {
    QObject::connect(m_statusNotifierHosts.get(), &QDBusServiceWatcher::serviceRegistered,
                     m_statusNotifierHosts.get(), [this] {
                         if (changed)
                             changed();
                     });
    if (!m_x11)
        return;
    m_x11->withDisplay([this](Display* display) {
        const QByteArray selection =
            "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
        m_selection = XInternAtom(display, selection.constData(), False);
        m_managerMessage = XInternAtom(display, "MANAGER", False);
        m_colours = XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False);
        // A new tray manager announces itself to the root window's structure listeners; on this
        // connection nothing else of the root's structure is asked for.
        XSelectInput(display, DefaultRootWindow(display), StructureNotifyMask);
    });
    m_notifier = std::make_unique<QSocketNotifier>(m_x11->fileDescriptor(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(),
                     [this] { readEvents(); });
    followManager();
}

X11TrayBackdrop::~X11TrayBackdrop() = default;

// Finds the tray manager of the default screen and asks for its property changes and its end.
void X11TrayBackdrop::followManager() {
    m_x11->withDisplay([this](Display* display) {
        m_manager = XGetSelectionOwner(display, m_selection);
        if (m_manager)
            XSelectInput(display, m_manager, PropertyChangeMask | StructureNotifyMask);
        XFlush(display);
    });
    readQueuedEventsSoon();
}

void X11TrayBackdrop::readEvents() {
    bool managerChanged = false;
    bool coloursChanged = false;
    m_x11->withDisplay([&](Display* display) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage)
                managerChanged |= event.xclient.message_type == m_managerMessage &&
                                  Atom(event.xclient.data.l[1]) == m_selection;
            else if (event.type == DestroyNotify)
                managerChanged |= event.xdestroywindow.window == m_manager;
            else if (event.type == PropertyNotify)
                coloursChanged |=
                    event.xproperty.window == m_manager && event.xproperty.atom == m_colours;
        }
    });
    if (managerChanged)
        followManager();
    if ((managerChanged || coloursChanged) && changed)
        changed();
}

// A reply read while waiting for it may bring events along into the connection's queue, where the
// socket notifier does not see them.
void X11TrayBackdrop::readQueuedEventsSoon() {
    if (m_x11->withDisplay([](Display* display) { return XQLength(display); }) > 0)
        QMetaObject::invokeMethod(
            m_notifier.get(), [this] { readEvents(); }, Qt::QueuedConnection);
}

QList<quint32> X11TrayBackdrop::publishedColours() {
    if (!m_x11 || !m_manager)
        return {};
    QList<quint32> channels;
    m_x11->withDisplay([&](Display* display) {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, m_manager, m_colours, 0, publishedChannelCount, False,
                               XA_CARDINAL, &type, &format, &count, &remaining, &data) == Success &&
            type == XA_CARDINAL && format == 32) {
            // Xlib hands 32-bit properties over as longs.
            const auto* values = reinterpret_cast<const unsigned long*>(data);
            for (unsigned long i = 0; i < count; ++i)
                channels.append(quint32(values[i]));
        }
        if (data)
            XFree(data);
    });
    readQueuedEventsSoon();
    return channels;
}

QImage X11TrayBackdrop::picture(const QRect& place) {
    const QScreen* screen = QGuiApplication::screenAt(place.center());
    if (!m_x11 || !screen)
        return {};
    const qreal ratio = screen->devicePixelRatio();
    QImage result;
    m_x11->withDisplay([&](Display* display) {
        const QRect root(0, 0, DisplayWidth(display, DefaultScreen(display)),
                         DisplayHeight(display, DefaultScreen(display)));
        const QRect pixels = QRect(place.topLeft() * ratio, place.size() * ratio).intersected(root);
        if (pixels.isEmpty())
            return;
        XImage* image =
            XGetImage(display, DefaultRootWindow(display), pixels.x(), pixels.y(),
                      unsigned(pixels.width()), unsigned(pixels.height()), AllPlanes, ZPixmap);
        if (!image)
            return;
        result = QImage(pixels.size(), QImage::Format_RGB32);
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x)
                result.setPixel(x, y, QRgb(XGetPixel(image, x, y)) | 0xff000000);
        XDestroyImage(image);
    });
    readQueuedEventsSoon();
    return result;
}

} // namespace Parlino
