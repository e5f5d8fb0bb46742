#include "Parlino/Panel/PanelPointer.h"

#include "Base/Log.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Panel/PointerMotionSource.h"
#include "Parlino/Panel/SurfacePlacement.h"
#include "Parlino/Panel/SurfaceTimers.h"
#include "Parlino/Style/PointerMotion.h"

namespace Parlino {

namespace {

const Base::Log surfaceLog("surface");

using Event = SurfaceEvent::Kind;

} // namespace

PanelPointer::PanelPointer(const PanelSurfaces& surfaces, SurfacePlacement& placement,
                           SurfaceTimers& timers)
    : m_surfaces(surfaces), m_placement(placement), m_timers(timers) {}

PanelPointer::~PanelPointer() {
    stopWatching();
}

void PanelPointer::startWatching() {
    if (m_watching)
        return;
    m_watching = m_surfaces.env.pointerMotionSource.start([this] { pointerMoved(); });
    if (!m_watching)
        surfaceLog.error("pointer motion cannot be watched; the panel closes only when asked");
}

void PanelPointer::stopWatching() {
    if (std::exchange(m_watching, false))
        m_surfaces.env.pointerMotionSource.stop();
}

void PanelPointer::pointerMoved() {
    m_surfaces.env.pointerMotion.pointerMoved();
    updateClickThrough();
    if (!pointerInRect(m_surfaces.env.screens.pointerLocation(), m_placement.nearPanelRect())) {
        m_timers.armCloseGrace();
        return;
    }
    m_timers.disarmCloseGrace();
    m_surfaces.send(Event::mouseReturnedToPanel);
    if (std::exchange(m_menuOpenPinArmed, false))
        m_surfaces.send(SurfaceEvent::unpin(PinSource::menuOpen));
}

void PanelPointer::setPanelIgnoresMouse(bool ignores) {
    SurfaceWindow& panel = m_surfaces.panel;
    if (panel.ignoresMouse() == ignores)
        return;
    panel.setIgnoresMouse(ignores);
    surfaceLog.notice("panel.ignoresMouseEvents=%{bool}d in %s", ignores,
                      m_surfaces.machine.state.description());
}

void PanelPointer::updateClickThrough() {
    if (const auto screen = m_placement.screen())
        setPanelIgnoresMouse(NotchPlacement::panelIgnoresMouseAt(
            m_surfaces.env.screens.pointerLocation(), m_surfaces.panel.frame(),
            m_placement.visiblePanelRect(*screen)));
}

} // namespace Parlino
