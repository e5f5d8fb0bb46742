#include "Parlino/Panel/SurfaceTimers.h"

#include "Base/Log.h"
#include "Parlino/Panel/ScreenProvider.h"
#include "Parlino/Panel/SurfacePlacement.h"

namespace Parlino {

namespace {

const Base::Log surfaceLog("surface");
const Base::Log focusLog("focus-diag");

using State = SurfaceState::Kind;
using PhaseKind = PlayerViewModel::Phase::Kind;
using Event = SurfaceEvent::Kind;

constexpr double closeGraceDelay = 0.2;
constexpr double finishLingerDelay = 1;
constexpr qint64 bubbleIdleTimeoutSeconds = 5;
constexpr double failureDwell = 4;

bool isStalledOrPaused(PhaseKind kind) {
    return kind == PhaseKind::stalled || kind == PhaseKind::paused;
}

} // namespace

SurfaceTimers::SurfaceTimers(const PanelSurfaces& surfaces, SurfacePlacement& placement,
                             std::function<void()> parkSession)
    : m_surfaces(surfaces), m_placement(placement), m_parkSession(std::move(parkSession)) {}

void SurfaceTimers::armDwell(const PlayerViewModel::Phase& phase) {
    m_dwellTask.cancel();
    if (phase.kind() != PhaseKind::failed || phase.dwell() != PlayerViewModel::Dwell::autoDismiss)
        return;
    m_dwellTask = m_surfaces.env.scheduler.after(failureDwell, [this, phase] {
        if (m_surfaces.viewModel.phase() == phase)
            m_surfaces.viewModel.hide();
    });
}

void SurfaceTimers::armBubbleFinishLinger() {
    if (m_surfaces.state() != State::bubble || m_finishLingerArmed)
        return;
    m_finishLingerArmed = m_bubbleGeneration;
    surfaceLog.notice("bubbleFinishLinger armed (1s)");
    m_bubbleFinishLingerTask = m_surfaces.env.scheduler.after(finishLingerDelay, [this] {
        const auto armed = std::exchange(m_finishLingerArmed, std::nullopt);
        if (!armed || *armed != m_bubbleGeneration ||
            m_surfaces.viewModel.phase().kind() != PhaseKind::finished ||
            m_surfaces.state() != State::bubble)
            return;
        surfaceLog.notice("bubbleFinishLinger fired");
        m_surfaces.send(Event::readFinished);
    });
}

void SurfaceTimers::disarmFinishLinger() {
    m_bubbleFinishLingerTask.cancel();
    m_finishLingerArmed.reset();
}

void SurfaceTimers::armBubbleIdleTimeout() {
    m_bubbleIdleTimeoutTask.cancel();
    const auto applies = [this] {
        return m_surfaces.state() == State::bubble &&
               isStalledOrPaused(m_surfaces.viewModel.phase().kind());
    };
    if (!applies())
        return;
    surfaceLog.notice("bubbleIdleTimeout armed (%llds)", bubbleIdleTimeoutSeconds);
    m_bubbleIdleTimeoutTask =
        m_surfaces.env.scheduler.after(double(bubbleIdleTimeoutSeconds), [this, applies] {
            if (!applies())
                return;
            surfaceLog.notice("bubbleIdleTimeout fired");
            focusLog.notice(
                "bubbleIdleTimeout fired → returnIdleBar (z-order only, focus-neutral)");
            m_parkSession();
            m_surfaces.send(Event::bubbleIdleTimeout);
        });
}

// Counts from the first exit: further exits while armed change nothing.
void SurfaceTimers::armCloseGrace() {
    if (m_closeGraceArmed)
        return;
    m_closeGraceArmed = m_panelGeneration;
    m_mouseLeftPanelDebounce =
        m_surfaces.env.scheduler.after(closeGraceDelay, [this] { closeGraceFired(); });
}

void SurfaceTimers::disarmCloseGrace() {
    m_mouseLeftPanelDebounce.cancel();
    m_closeGraceArmed.reset();
}

void SurfaceTimers::closeGraceFired() {
    const bool outside =
        !pointerInRect(m_surfaces.env.screens.pointerLocation(), m_placement.nearPanelRect());
    const auto armed = std::exchange(m_closeGraceArmed, std::nullopt);
    if (armed && *armed == m_panelGeneration && outside)
        m_surfaces.send(Event::mouseLeftPanel);
}

} // namespace Parlino
