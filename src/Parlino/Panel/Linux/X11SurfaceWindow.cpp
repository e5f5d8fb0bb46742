#include "Parlino/Panel/Linux/X11SurfaceWindow.h"

#include "Parlino/Panel/Linux/X11Display.h"
#include "Parlino/Panel/ScreenProvider.h"

#include <QList>
#include <QWindow>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shape.h>

namespace Parlino {

namespace {

constexpr int surfaceLevel = 25;
constexpr int onboardingLevel = 26;

QList<X11SurfaceWindow*>& liveSurfaces() {
    static QList<X11SurfaceWindow*> surfaces;
    return surfaces;
}

Window activeWindow(Display* display) {
    const Atom property = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    Window active = None;
    if (XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &remaining, &data) == Success &&
        data && type == XA_WINDOW && format == 32 && count == 1) {
        active = *reinterpret_cast<Window*>(data);
    }
    if (data)
        XFree(data);
    return active;
}

// Asks the window manager to activate `window`, as a pager would.
void requestActivation(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False,
               SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

} // namespace

X11SurfaceWindow::X11SurfaceWindow(SurfaceKind kind)
    : m_level(kind == SurfaceKind::onboarding ? onboardingLevel : surfaceLevel),
      m_window(std::make_unique<FloatingPanel>(Qt::X11BypassWindowManagerHint)) {
    liveSurfaces() << this;
    m_window->onCancel = [this] { cancel(); };
    QObject::connect(m_window.get(), &FloatingPanel::becomingKey,
                     [this] { rememberActiveWindow(); });
}

X11SurfaceWindow::~X11SurfaceWindow() {
    liveSurfaces().removeOne(this);
}

void X11SurfaceWindow::setContentView(QWidget* view) {
    m_window->setContentView(view);
}

void X11SurfaceWindow::setFrame(const QRectF& frame, bool display) {
    m_nativeFrame = flippedRect(frame, X11::primaryScreenBottom()).toAlignedRect();
    m_frame = frame;
    m_window->setGeometry(m_nativeFrame);
    if (display)
        m_window->update();
    X11::flushApplicationDisplay();
}

QRectF X11SurfaceWindow::frame() const {
    if (m_frame && m_window->geometry() == m_nativeFrame)
        return *m_frame;
    return flippedRect(QRectF(m_window->geometry()), X11::primaryScreenBottom());
}

void X11SurfaceWindow::orderFront() {
    if (m_window->isVisible()) {
        m_window->raise();
    } else {
        m_window->show();
        applyInputRegion();
    }
    for (X11SurfaceWindow* other : liveSurfaces()) {
        if (other->m_level > m_level && other->isShown())
            other->m_window->raise();
    }
    X11::flushApplicationDisplay();
}

void X11SurfaceWindow::orderOut() {
    const bool wasKey = m_window->isActiveWindow();
    m_window->hide();
    if (wasKey)
        returnFocus();
    X11::flushApplicationDisplay();
}

bool X11SurfaceWindow::isShown() const {
    return m_window->isVisible();
}

void X11SurfaceWindow::setIgnoresMouse(bool ignores) {
    m_ignoresMouse = ignores;
    m_window->ignoresMouse = ignores;
    applyInputRegion();
    X11::flushApplicationDisplay();
}

bool X11SurfaceWindow::ignoresMouse() const {
    return m_ignoresMouse;
}

void X11SurfaceWindow::applyInputRegion() {
    Display* display = X11::applicationDisplay();
    if (!display || !m_window->windowHandle())
        return;
    const auto window = static_cast<Window>(m_window->winId());
    // No region is the default input shape, which follows the window's size.
    XserverRegion region = None;
    if (m_ignoresMouse)
        region = XFixesCreateRegion(display, nullptr, 0);
    XFixesSetWindowShapeRegion(display, window, ShapeInput, 0, 0, region);
    if (region != None)
        XFixesDestroyRegion(display, region);
}

void X11SurfaceWindow::rememberActiveWindow() {
    if (Display* display = X11::applicationDisplay())
        m_focusBeforeKey = activeWindow(display);
}

void X11SurfaceWindow::returnFocus() {
    Display* display = X11::applicationDisplay();
    if (display && m_focusBeforeKey != None)
        requestActivation(display, m_focusBeforeKey);
    m_focusBeforeKey = None;
}

} // namespace Parlino
