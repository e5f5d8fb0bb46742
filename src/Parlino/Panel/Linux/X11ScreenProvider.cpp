#include "Parlino/Panel/Linux/X11ScreenProvider.h"

#include "Parlino/Panel/Linux/CompositorWatch.h"
#include "Parlino/Panel/Linux/X11Display.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

namespace Parlino {

X11ScreenProvider::X11ScreenProvider(QObject* parent)
    : ScreenProvider(parent), m_compositor(new CompositorWatch(this)) {
    for (QScreen* screen : QGuiApplication::screens())
        track(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        track(screen);
        emit screenParametersChanged();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, [this](QScreen* screen) {
        m_ids.remove(screen);
        emit screenParametersChanged();
    });
    // The mirror line of every screen's coordinates moves with the primary screen.
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this,
            &ScreenProvider::screenParametersChanged);
    connect(m_compositor, &CompositorWatch::runningChanged, this,
            &ScreenProvider::compositorChanged);
}

X11ScreenProvider::~X11ScreenProvider() = default;

void X11ScreenProvider::track(QScreen* screen) {
    m_ids.insert(screen, m_nextId++);
    connect(screen, &QScreen::geometryChanged, this, &ScreenProvider::screenParametersChanged);
    connect(screen, &QScreen::availableGeometryChanged, this,
            &ScreenProvider::screenParametersChanged);
}

QList<ScreenId> X11ScreenProvider::screens() const {
    QList<ScreenId> ids;
    for (QScreen* screen : QGuiApplication::screens()) {
        if (const auto id = m_ids.find(screen); id != m_ids.end())
            ids << *id;
    }
    return ids;
}

std::optional<ScreenId> X11ScreenProvider::mainScreen() const {
    const auto id = m_ids.find(QGuiApplication::primaryScreen());
    return id == m_ids.end() ? std::nullopt : std::optional(*id);
}

std::optional<ScreenScalars> X11ScreenProvider::scalars(ScreenId id) const {
    QScreen* screen = m_ids.key(id, nullptr);
    if (!screen)
        return std::nullopt;
    const qreal bottom = X11::primaryScreenBottom();
    ScreenScalars scalars;
    scalars.frame = flippedRect(QRectF(screen->geometry()), bottom);
    scalars.visibleFrame = flippedRect(QRectF(screen->availableGeometry()), bottom);
    return scalars;
}

QPointF X11ScreenProvider::pointerLocation() const {
    return flippedPoint(QPointF(QCursor::pos()), X11::primaryScreenBottom());
}

bool X11ScreenProvider::hasCompositor() const {
    return m_compositor->isRunning();
}

} // namespace Parlino
