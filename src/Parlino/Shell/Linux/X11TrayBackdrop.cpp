#include "Parlino/Shell/Linux/X11TrayBackdrop.h"

#include "Parlino/Panel/Linux/X11Display.h"

#include <QGuiApplication>
#include <QScreen>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace Parlino {

namespace {

constexpr long publishedChannelCount = 12;

// The window of the tray manager of the display's default screen; none without a tray.
Window trayManager(Display* display) {
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(DefaultScreen(display));
    return XGetSelectionOwner(display, XInternAtom(display, selection.constData(), False));
}

} // namespace

QList<quint32> X11TrayBackdrop::publishedColours() {
    Display* display = X11::applicationDisplay();
    const Window manager = display ? trayManager(display) : 0;
    if (!manager)
        return {};
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    QList<quint32> channels;
    const Atom colours = XInternAtom(display, "_NET_SYSTEM_TRAY_COLORS", False);
    if (XGetWindowProperty(display, manager, colours, 0, publishedChannelCount, False, XA_CARDINAL,
                           &type, &format, &count, &remaining, &data) == Success &&
        type == XA_CARDINAL && format == 32) {
        // Xlib hands 32-bit properties over as longs.
        const auto* values = reinterpret_cast<const unsigned long*>(data);
        for (unsigned long i = 0; i < count; ++i)
            channels.append(quint32(values[i]));
    }
    if (data)
        XFree(data);
    return channels;
}

QImage X11TrayBackdrop::picture(const QRect& place) {
    Display* display = X11::applicationDisplay();
    const QScreen* screen = QGuiApplication::screenAt(place.center());
    if (!display || !screen)
        return {};
    const qreal ratio = screen->devicePixelRatio();
    const QRect root(0, 0, DisplayWidth(display, DefaultScreen(display)),
                     DisplayHeight(display, DefaultScreen(display)));
    const QRect pixels = QRect(place.topLeft() * ratio, place.size() * ratio).intersected(root);
    if (pixels.isEmpty())
        return {};
    XImage* image =
        XGetImage(display, DefaultRootWindow(display), pixels.x(), pixels.y(),
                  unsigned(pixels.width()), unsigned(pixels.height()), AllPlanes, ZPixmap);
    if (!image)
        return {};
    QImage result(pixels.size(), QImage::Format_RGB32);
    for (int y = 0; y < pixels.height(); ++y)
        for (int x = 0; x < pixels.width(); ++x)
            result.setPixel(x, y, QRgb(XGetPixel(image, x, y)) | 0xff000000);
    XDestroyImage(image);
    return result;
}

} // namespace Parlino
