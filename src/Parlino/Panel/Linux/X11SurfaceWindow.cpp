#include "Parlino/Panel/Linux/X11SurfaceWindow.h"

#include "Parlino/Panel/Linux/X11Display.h"
#include "Parlino/Panel/Linux/X11Focus.h"
#include "Parlino/Panel/ScreenProvider.h"

#include <QList>
#include <QRect>
#include <QWindow>

#include <algorithm>

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

// The surface's name in diagnostic logs.
QString diagnosticName(SurfaceKind kind) {
    switch (kind) {
    case SurfaceKind::panel:
        return QStringLiteral("panel");
    case SurfaceKind::bubble:
        return QStringLiteral("bubble");
    case SurfaceKind::idleBar:
        return QStringLiteral("idleBar");
    case SurfaceKind::warning:
        return QStringLiteral("warning");
    case SurfaceKind::onboarding:
        return QStringLiteral("onboarding");
    }
    Q_UNREACHABLE();
}

} // namespace

X11SurfaceWindow::X11SurfaceWindow(SurfaceKind kind)
    : m_level(kind == SurfaceKind::onboarding ? onboardingLevel : surfaceLevel),
      m_window(std::make_unique<FloatingPanel>(Qt::X11BypassWindowManagerHint)) {
    liveSurfaces() << this;
    m_window->diagName = diagnosticName(kind);
    m_window->onCancel = [this] { cancel(); };
    m_window->onTabOut = [this](TabDirection direction) { return tabOut(direction); };
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
    if (m_inputArea)
        applyInputRegion(); // its place in the window moved with the frame
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
    // A key surface's focus returns to the application that had it: the window manager
    // refocuses it when the focus falls back to the root.
    m_window->hide();
    X11::flushApplicationDisplay();
}

bool X11SurfaceWindow::isShown() const {
    return m_window->isVisible();
}

void X11SurfaceWindow::makeKey() {
    if (!m_window->allowKey())
        return;
    // No window manager activates an override-redirect window: it takes the X focus itself.
    if (!X11::focusWindow(m_window->winId()))
        m_window->windowHandle()->requestActivate();
    X11::flushApplicationDisplay();
}

void X11SurfaceWindow::makeKeyAtEnd(TabDirection direction) {
    m_window->focusEnd(direction);
    makeKey();
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

void X11SurfaceWindow::setInputArea(const std::optional<QRectF>& area) {
    m_inputArea = area;
    applyInputRegion();
    X11::flushApplicationDisplay();
}

QRect X11SurfaceWindow::inputRectangle() const {
    const QRectF area = flippedRect(*m_inputArea, X11::primaryScreenBottom())
                            .translated(-QPointF(m_window->geometry().topLeft()));
    const qreal ratio = m_window->devicePixelRatioF();
    const QRectF window(QPointF(), QSizeF(m_window->size()) * ratio);
    return QRectF(area.topLeft() * ratio, area.size() * ratio).intersected(window).toAlignedRect();
}

void X11SurfaceWindow::applyInputRegion() {
    Display* display = X11::applicationDisplay();
    if (!display || !m_window->windowHandle())
        return;
    const auto window = static_cast<Window>(m_window->winId());
    // No region is the default input shape, which follows the window's size.
    XserverRegion region = None;
    if (m_ignoresMouse) {
        region = XFixesCreateRegion(display, nullptr, 0);
    } else if (m_inputArea) {
        const QRect area = inputRectangle();
        XRectangle rectangle{short(area.x()), short(area.y()), ushort(std::max(area.width(), 0)),
                             ushort(std::max(area.height(), 0))};
        region = XFixesCreateRegion(display, &rectangle, 1);
    }
    XFixesSetWindowShapeRegion(display, window, ShapeInput, 0, 0, region);
    if (region != None)
        XFixesDestroyRegion(display, region);
}

} // namespace Parlino
