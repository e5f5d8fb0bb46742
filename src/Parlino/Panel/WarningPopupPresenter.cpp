#include "Parlino/Panel/WarningPopupPresenter.h"

#include "Base/Log.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Panel/SurfaceFades.h"
#include "Parlino/Panel/SurfacePlacement.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Style/MotionPreferences.h"

namespace Parlino {

namespace {

const Base::Log focusLog("focus-diag");

} // namespace

WarningPopupPresenter::WarningPopupPresenter(const PanelSurfaces& surfaces,
                                             SurfacePlacement& placement, SurfaceFades& fades)
    : m_surfaces(surfaces), m_placement(placement), m_fades(fades) {}

void WarningPopupPresenter::schedule() {
    if (m_surfaces.state() == SurfaceState::Kind::idleBar) {
        present();
        return;
    }
    const bool reduce = m_surfaces.env.motion.reduceMotion();
    m_surfaces.send(SurfaceEvent::Kind::dismissAll);
    // The fade-out, the idle bar's return and a little margin.
    const double delay = reduce ? 0.34 : 0.44;
    m_presentationTask = m_surfaces.env.scheduler.after(delay, [this] {
        // A busy main thread can hold the idle bar's return past the delay: the pill then
        // waits for it instead of being lost.
        if (m_surfaces.state() == SurfaceState::Kind::idleBarReturning)
            m_presentOnReturn = true;
        else if (m_surfaces.state() == SurfaceState::Kind::idleBar)
            present();
    });
}

void WarningPopupPresenter::surfacesMoved() {
    if (!m_presentOnReturn || m_surfaces.state() == SurfaceState::Kind::idleBarReturning)
        return;
    m_presentOnReturn = false;
    if (m_surfaces.state() == SurfaceState::Kind::idleBar)
        present();
}

void WarningPopupPresenter::callOff() {
    m_presentationTask.cancel();
    m_presentOnReturn = false;
}

void WarningPopupPresenter::present() {
    m_fades.cancel(FadingWindow::idleBar);
    const auto screen = m_placement.screen();
    if (!screen)
        return;
    WarningGeometryBox& geometry = m_surfaces.warningGeometry;
    const auto placed = NotchPlacement::warningPlacement(*screen);
    geometry.setPillHeight(placed.pillHeight);
    geometry.setPresentationID(geometry.presentationID() + 1);
    NotchPlacement::presentWarningWindow(m_surfaces.warning, *screen);
    focusLog.notice("warning popup present (orderFrontRegardless, nonactivating, focus-neutral)");
    m_presented = true;
    geometry.setRevealed(true);
}

void WarningPopupPresenter::forceHide() {
    m_presentationTask.cancel();
    m_retractTask.cancel();
    m_surfaces.warningGeometry.setRevealed(false);
    m_surfaces.warning.orderOut();
    m_presented = false;
    focusLog.notice("warning popup force-hidden (surface transition; orderOut, focus-neutral)");
}

void WarningPopupPresenter::retract(bool close) {
    if (!m_presented)
        return;
    const double slide = m_surfaces.env.motion.reduceMotion() ? reducedFade : 0.18;
    m_presentationTask.cancel();
    m_surfaces.warningGeometry.setRevealed(false);
    focusLog.notice("warning popup retract (slide up, orderOut pending, focus-neutral)");
    m_retractTask = m_surfaces.env.scheduler.after(slide, [this, close] {
        m_surfaces.warning.orderOut();
        m_presented = false;
        if (close) {
            WarningModel& model = m_surfaces.warningModel;
            model.setDismissedThisSession(true);
            model.recompute();
        }
    });
}

} // namespace Parlino
