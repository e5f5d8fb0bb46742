#include "Parlino/Panel/Linux/X11Display.h"

#include <QGuiApplication>
#include <QScreen>

#include <X11/Xlib.h>

namespace Parlino::X11 {

Display* applicationDisplay() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

void flushApplicationDisplay() {
    if (Display* display = applicationDisplay())
        XFlush(display);
}

qreal primaryScreenBottom() {
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return 0;
    const QRect geometry = primary->geometry();
    return geometry.y() + geometry.height();
}

} // namespace Parlino::X11
