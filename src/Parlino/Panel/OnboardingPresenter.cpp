#include "Parlino/Panel/OnboardingPresenter.h"

#include "Base/Clock.h"
#include "Base/Log.h"
#include "Defaults/Key.h"
#include "Parlino/Panel/SurfacePlacement.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Services/SettingsKeys.h"

#include <algorithm>
#include <cmath>

namespace Parlino {

namespace {

const Base::Log surfaceLog("surface");

using State = SurfaceState::Kind;

constexpr double raiseDelay = 0.26;
constexpr double exitDelay = 0.34;
constexpr double openTimeout = 2;
constexpr double openPoll = 0.05;
constexpr double settlePoll = 0.03;
constexpr int settlePasses = 20;
constexpr qreal gapAbovePanel = 22;
constexpr qreal cardWidth = 496;

} // namespace

OnboardingPresenter::OnboardingPresenter(const PanelSurfaces& surfaces, SurfacePlacement& placement,
                                         OnboardingModel& model, std::function<void()> openPanel,
                                         std::function<void(PanelFocusTarget)> givePanelTheKeyboard)
    : m_surfaces(surfaces), m_placement(placement), m_model(model),
      m_openPanel(std::move(openPanel)), m_givePanelTheKeyboard(std::move(givePanelTheKeyboard)) {
    m_surfaces.onboarding.onCancel = [this] { end(true); };
    m_surfaces.onboarding.onTabOut = [this](TabDirection direction) {
        return tabToPanel(direction);
    };
    m_surfaces.panel.onTabOut = [this](TabDirection direction) { return tabToCard(direction); };
    m_model.onFinish = [this] { end(true); };
}

bool OnboardingPresenter::isShown() const {
    return m_presented && m_surfaces.onboardingGeometry.revealed();
}

void OnboardingPresenter::giveKeyboard() {
    if (isShown())
        m_surfaces.onboarding.makeKey();
}

// Tab past the card's last control reaches the panel's first, Shift+Tab before its first the
// panel's last; with no panel beside it, Tab goes round the card.
bool OnboardingPresenter::tabToPanel(TabDirection direction) {
    if (!isShown() || !isPanelDown() || !m_surfaces.panel.isShown())
        return false;
    m_givePanelTheKeyboard(direction == TabDirection::forward ? PanelFocusTarget::firstHeaderButton
                                                              : PanelFocusTarget::lastControl);
    return true;
}

bool OnboardingPresenter::tabToCard(TabDirection direction) {
    if (!isShown())
        return false;
    m_surfaces.onboarding.makeKeyAtEnd(direction);
    return true;
}

void OnboardingPresenter::present() {
    if (m_presented)
        return;
    m_retractTask.cancel();
    m_presented = true;
    Defaults::set(m_surfaces.env.keys.hasSeenOnboarding, true);
    openForOnboarding(m_surfaces.env.clock.now() + openTimeout);
}

// Opens the panel as the menu does and waits, at most until `deadline`, for it to be down.
void OnboardingPresenter::openForOnboarding(double deadline) {
    if (m_surfaces.env.clock.now() >= deadline) {
        surfaceLog.error("onboarding: panel never settled — presenting anyway (state=%s)",
                         m_surfaces.machine.state.description());
        pin();
        return;
    }
    const State state = m_surfaces.state();
    if (state == State::panel) {
        pin();
        return;
    }
    if (state == State::idleBar || state == State::bubble)
        m_openPanel();
    m_presentationTask =
        m_surfaces.env.scheduler.after(openPoll, [this, deadline] { openForOnboarding(deadline); });
}

void OnboardingPresenter::pin() {
    if (!m_presented)
        return;
    m_surfaces.send(SurfaceEvent::pin(PinSource::onboarding));
    OnboardingGeometryBox& geometry = m_surfaces.onboardingGeometry;
    geometry.setIsExiting(false);
    geometry.setPresentationID(geometry.presentationID() + 1);
    m_model.setIndex(0);
    updateHost(); // a card that left beside the settings window comes back beside the panel
    m_model.revealCurrent();
    const auto screen = m_placement.screen();
    if (!screen) {
        showCard();
        return;
    }
    settle(m_placement.visiblePanelRect(*screen), 1);
}

// Waits, a few passes at most, until the panel's visible sheet stops moving.
void OnboardingPresenter::settle(QRectF previous, int pass) {
    m_presentationTask = m_surfaces.env.scheduler.after(settlePoll, [this, previous, pass] {
        const auto screen = m_placement.screen();
        if (!screen) {
            showCard();
            return;
        }
        const QRectF now = m_placement.visiblePanelRect(*screen);
        const bool settled = std::abs(now.y() - previous.y()) < 0.5 &&
                             std::abs(now.height() - previous.height()) < 0.5;
        if (settled || pass >= settlePasses)
            showCard();
        else
            settle(now, pass + 1);
    });
}

void OnboardingPresenter::showCard() {
    if (!m_presented)
        return;
    placeWindow();
    m_surfaces.onboarding.orderFront();
    // The card comes up on its first step, whose first control is the way on.
    m_surfaces.onboarding.makeKeyAtEnd(TabDirection::forward);
    surfaceLog.notice("onboarding present (panel state=%s)",
                      m_surfaces.machine.state.description());
    m_surfaces.onboardingGeometry.setRevealed(true);
}

// The card's window reaches from below the card to the top of the screen, so the card, at its
// bottom, has room above to slide. The card sits below the panel's sheet, or below the top edge
// when it stands without the panel and the panel is up. Only the card at rest takes clicks: the
// rest of the window lies over the panel and over the user's windows around it.
void OnboardingPresenter::placeWindow() {
    const auto screen = m_placement.screen();
    if (!screen)
        return;
    OnboardingGeometryBox& geometry = m_surfaces.onboardingGeometry;
    const qreal above = m_standsWithoutPanel && !isPanelDown()
                            ? screen->frame.bottom()
                            : m_placement.visiblePanelRect(*screen).y();
    const qreal cardHeight = geometry.height();
    const qreal bottom = above - gapAbovePanel - cardHeight;
    const qreal height = std::max(screen->frame.bottom() - bottom, 2 * cardHeight);
    const qreal left = screen->frame.center().x() - cardWidth / 2;
    m_surfaces.onboarding.setFrame(QRectF(left, bottom, cardWidth, height), true);
    m_surfaces.onboarding.setInputArea(QRectF(left, bottom, cardWidth, cardHeight));
    geometry.setExitTravel(height);
}

void OnboardingPresenter::followPanel() {
    if (!m_presented)
        return;
    m_raiseTask = m_surfaces.env.scheduler.after(raiseDelay, [this] {
        if (!m_presented)
            return;
        placeWindow();
        m_surfaces.onboarding.orderFront();
    });
}

bool OnboardingPresenter::isPanelDown() const {
    const State state = m_surfaces.state();
    return state == State::panel || state == State::panelDropping;
}

void OnboardingPresenter::standWithoutPanel() {
    m_standsWithoutPanel = m_presented;
}

void OnboardingPresenter::panelRetracting() {
    if (!m_standsWithoutPanel) {
        end(false);
        return;
    }
    m_raiseTask.cancel();
    placeWindow();
    m_surfaces.onboarding.orderFront();
    updateHost();
}

void OnboardingPresenter::panelDropping() {
    if (!m_standsWithoutPanel)
        return;
    followPanel();
    updateHost();
}

void OnboardingPresenter::settingsWindowShownChanged(bool shown) {
    m_settingsWindowShown = shown;
    updateHost();
}

// The settings window takes over from the panel only while the panel is up for it; a step it
// takes over at is revealed there at once, while the panel has kept up with every step.
void OnboardingPresenter::updateHost() {
    const bool inWindow = m_standsWithoutPanel && m_settingsWindowShown && !isPanelDown();
    const OnboardingHost host = inWindow ? OnboardingHost::settingsWindow : OnboardingHost::panel;
    if (host == m_model.host())
        return;
    m_model.setHost(host);
    if (inWindow)
        m_model.revealCurrent();
}

void OnboardingPresenter::end(bool dismissPanel) {
    if (!m_presented)
        return;
    m_presented = false;
    m_standsWithoutPanel = false;
    OnboardingGeometryBox& geometry = m_surfaces.onboardingGeometry;
    geometry.setIsExiting(true);
    geometry.setRevealed(false);
    m_surfaces.send(SurfaceEvent::unpin(PinSource::onboarding));
    if (dismissPanel && m_model.onDismissPanel)
        m_model.onDismissPanel();
    m_retractTask = m_surfaces.env.scheduler.after(exitDelay, [this] {
        m_surfaces.onboarding.orderOut();
        surfaceLog.notice("onboarding finished (unpinned, ordered out)");
    });
}

} // namespace Parlino
