#include "Parlino/Panel/SurfaceFades.h"

#include "Parlino/Panel/SurfaceTimers.h"

namespace Parlino {

SurfaceFades::SurfaceFades(const PanelSurfaces& surfaces, SurfaceTimers& timers)
    : m_surfaces(surfaces), m_timers(timers) {}

void SurfaceFades::orderOutNow(FadingWindow window) {
    switch (window) {
    case FadingWindow::bubble:
        m_timers.bubbleAppeared();
        m_timers.disarmFinishLinger();
        m_surfaces.bubble.orderOut();
        break;
    case FadingWindow::panel:
        m_timers.panelAppeared();
        m_timers.disarmCloseGrace();
        m_surfaces.panel.orderOut();
        m_surfaces.panelGeometry.setRevealed(false);
        break;
    case FadingWindow::idleBar: {
        m_surfaces.idleBar.orderOut();
        IdleBarGeometryBox& geometry = m_surfaces.idleBarGeometry;
        geometry.setPresentationID(geometry.presentationID() + 1);
        break;
    }
    }
}

void SurfaceFades::orderOutUnlessFading(FadingWindow window) {
    if (!fade(window).pending)
        orderOutNow(window);
}

void SurfaceFades::orderOutAfterFade(FadingWindow window, double seconds) {
    Fade& pending = fade(window);
    pending.pending = true;
    const qint64 generation = ++pending.generation;
    pending.job = m_surfaces.env.scheduler.after(seconds, [this, window, generation] {
        Fade& current = fade(window);
        if (current.generation != generation)
            return;
        orderOutNow(window);
        current.pending = false;
    });
}

void SurfaceFades::cancel(FadingWindow window) {
    Fade& pending = fade(window);
    if (std::exchange(pending.pending, false))
        ++pending.generation;
}

} // namespace Parlino
