#include "Parlino/Panel/PanelController.h"

#include "Base/Log.h"
#include "Defaults/Key.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Style/MotionPreferences.h"

#include <cmath>
#include <utility>

namespace Parlino {

namespace {

const Base::Log surfaceLog("surface");

using State = SurfaceState::Kind;
using PhaseKind = PlayerViewModel::Phase::Kind;
using Event = SurfaceEvent::Kind;

// A follow-up after a fade in milliseconds comes at 0.6 of it, while the fade still runs.
double followUpAfterFade(double fadeMilliseconds) {
    return std::round(fadeMilliseconds * 0.6) / 1000;
}

const char* commandName(SurfaceCommand command) {
    switch (command) {
    case SurfaceCommand::showBubble:
        return "showBubble";
    case SurfaceCommand::retractBubble:
        return "retractBubble";
    case SurfaceCommand::dropPanel:
        return "dropPanel";
    case SurfaceCommand::retractPanel:
        return "retractPanel";
    case SurfaceCommand::returnBubble:
        return "returnBubble";
    case SurfaceCommand::hideAll:
        return "hideAll";
    case SurfaceCommand::showIdleBar:
        return "showIdleBar";
    case SurfaceCommand::retractIdleBar:
        return "retractIdleBar";
    case SurfaceCommand::returnIdleBar:
        return "returnIdleBar";
    }
    return "?";
}

} // namespace

PanelController::PanelController(PlayerViewModel& viewModel, ClipLibrary& clipLibrary,
                                 WarningModel& warningModel, AudioOutput* audioOutput,
                                 std::unique_ptr<Playback::ChunkPlayerFactory> clipPlayers,
                                 PanelEnvironment environment,
                                 const SurfaceContentFactory& makeContent)
    : m_viewModel(viewModel), m_warningModel(warningModel), m_env(std::move(environment)),
      m_clips(clipLibrary, audioOutput, std::move(clipPlayers), m_env.keys),
      m_panel(makeWindow(SurfaceKind::panel, makeContent)),
      m_bubble(makeWindow(SurfaceKind::bubble, makeContent)),
      m_idleBar(makeWindow(SurfaceKind::idleBar, makeContent)),
      m_warning(makeWindow(SurfaceKind::warning, makeContent)),
      m_onboarding(makeWindow(SurfaceKind::onboarding, makeContent)),
      m_surfaces{m_env,
                 m_viewModel,
                 m_warningModel,
                 m_machine,
                 [this](SurfaceEvent event) { send(event); },
                 *m_panel,
                 *m_bubble,
                 *m_idleBar,
                 *m_warning,
                 *m_onboarding,
                 m_geometryBox,
                 m_bubbleGeometry,
                 m_idleBarGeometry,
                 m_warningGeometry,
                 m_onboardingGeometry},
      m_tick(
          m_env.clock, m_env.scheduler, [this] { displayTick(); },
          [this] { return m_viewModel.phase().kind() == PhaseKind::playing; }),
      m_placement(m_surfaces, [this] { m_tick.wake(); }),
      m_timers(m_surfaces, m_placement,
               [this] {
                   if (onSessionParkedOnIdleBar)
                       onSessionParkedOnIdleBar();
               }),
      m_fades(m_surfaces, m_timers), m_pointer(m_surfaces, m_placement, m_timers),
      m_warningPopup(m_surfaces, m_placement, m_fades),
      m_onboardingCard(
          m_surfaces, m_placement, m_onboardingModel, [this] { openFromSurface(false); },
          [this](PanelFocusTarget target) { givePanelTheKeyboard(target); }) {
    const auto close = [this] {
        if (m_viewModel.onClose)
            m_viewModel.onClose();
    };
    m_panel->onCancel = close;
    m_bubble->onCancel = close;
    // The save-failure row makes the sheet taller while a read is up.
    QObject::connect(&m_viewModel, &PlayerViewModel::saveFailureChanged, &m_geometryBox,
                     [this] { m_placement.relayoutPanelIfNeeded(); });
}

PanelController::~PanelController() = default;

std::unique_ptr<SurfaceWindow> PanelController::makeWindow(SurfaceKind kind,
                                                           const SurfaceContentFactory& content) {
    auto window = m_env.makeWindow(kind);
    if (content)
        if (QWidget* view = content(kind, *this))
            window->setContentView(view);
    return window;
}

// MARK: Public operations

void PanelController::start() {
    m_placement.refreshCurrentScreen();
    m_placement.seedPanelFrame();
    send(Event::start);
}

void PanelController::phaseDidChange(const PlayerViewModel::Phase& phase) {
    m_timers.armDwell(phase);
    switch (phase.kind()) {
    case PhaseKind::confirmingLength:
    case PhaseKind::failed:
        m_timers.disarmFinishLinger();
        m_warningPopup.callOff();
        send(Event::cardNeeded);
        break;
    case PhaseKind::stalled:
        // A stall told anew, its cause changed or gone, leaves the surfaces as they are.
        if (m_previousPhase.kind() == PhaseKind::stalled)
            break;
        [[fallthrough]];
    case PhaseKind::listening:
    case PhaseKind::loading:
    case PhaseKind::playing:
    case PhaseKind::paused:
    case PhaseKind::recapturing:
        m_timers.disarmFinishLinger();
        // The surfaces may still be on their way home for the warning pill, whose turn is over.
        m_warningPopup.callOff();
        // A read already in a bubble or panel keeps it; one after a card needs its surface.
        if (state() == State::hidden || state() == State::idleBar ||
            PanelSizing::isCardPhase(m_previousPhase.kind()))
            send(Event::readBegan);
        break;
    case PhaseKind::hidden:
        m_timers.disarmFinishLinger();
        send(Event::dismissAll);
        break;
    case PhaseKind::finished:
        if (state() == State::bubble)
            m_timers.armBubbleFinishLinger();
        else
            send(Event::readFinished);
        break;
    }
    m_placement.relayoutPanelIfNeeded();
    m_timers.armBubbleIdleTimeout();
    m_tick.wake();
    m_previousPhase = phase;
}

void PanelController::contentModeDidChange(PanelContentMode mode) {
    if (mode == PanelContentMode::clips)
        m_clips.reload();
    m_placement.relayoutPanelIfNeeded();
    m_onboardingCard.followPanel();
}

void PanelController::presentOnboarding() {
    m_onboardingCard.present();
}

void PanelController::openPanel() {
    // While the tutorial's card shows, the keyboard goes to it: the panel is a Tab away.
    const bool toCard = m_onboardingCard.isShown();
    if (!m_surfaces.panelIsDown())
        openFromSurface(!toCard);
    else if (!toCard)
        givePanelTheKeyboard(openTarget());
    if (toCard)
        m_onboardingCard.giveKeyboard();
}

PanelFocusTarget PanelController::openTarget() const {
    return openFocusTarget(m_viewModel.phase().kind(), m_viewModel.contentMode());
}

void PanelController::givePanelTheKeyboard(PanelFocusTarget target) {
    if (onPanelFocus)
        onPanelFocus(target);
    m_panel->makeKey();
}

// The open of the menu, the shortcut, a second start and the tutorial, whatever the surfaces are
// doing: the machine turns them towards the panel. One from the idle bar has no read: the open
// landing says what the panel shows. One that overtakes the bubble's linger finds its read over.
void PanelController::openFromSurface(bool takeKeyboard) {
    const bool lingerArmed = m_timers.isFinishLingerArmed();
    const QString asked = m_machine.state.description();
    const auto command = m_machine.handle(Event::openRequested);
    if (!m_machine.pinSources.contains(PinSource::menuOpen)) {
        surfaceLog.notice("open DROPPED in %s", asked);
        return;
    }
    surfaceLog.notice("open asked for in %s", asked);
    m_keyOnDrop = takeKeyboard;
    m_pointer.armMenuOpenPin();
    apply(command);
    if (command == SurfaceCommand::retractIdleBar)
        applyOpenLanding();
    if (lingerArmed)
        send(Event::readFinished);
}

void PanelController::handleIdleBarClick() {
    const auto command = m_machine.handle(Event::idleBarClicked);
    if (!command) {
        surfaceLog.notice("idleBarClicked DROPPED in %s", m_machine.state.description());
        return;
    }
    apply(command);
    applyOpenLanding();
}

void PanelController::applyOpenLanding() {
    switch (onOpenLanding ? onOpenLanding() : OpenLanding::clips) {
    case OpenLanding::reading:
        m_viewModel.setContentMode(PanelContentMode::reading);
        m_pendingReadAttachedAfterOpen = true;
        break;
    case OpenLanding::readingRebuildPaused:
        m_pendingReadAttachedAfterOpen = true;
        break;
    case OpenLanding::clips:
        m_viewModel.setContentMode(PanelContentMode::clips);
        break;
    }
}

void PanelController::idleBarHiddenChanged() {
    if (state() != State::idleBar && state() != State::idleBarReturning)
        return;
    if (Defaults::get(m_env.keys.idleBarHidden)) {
        m_idleBarGeometry.setRevealed(false);
        m_fades.orderOutNow(FadingWindow::idleBar);
    } else {
        presentIdleBarWindow();
        m_idleBarGeometry.setRevealed(true);
    }
}

void PanelController::closePanelNow() {
    m_timers.disarmCloseGrace();
    send(Event::closePanel);
}

void PanelController::makeRoomForWindow() {
    if (m_machine.state != SurfaceState::panel(false))
        return;
    m_onboardingCard.standWithoutPanel();
    closePanelNow();
    m_fades.cancel(FadingWindow::panel);
    m_fades.orderOutNow(FadingWindow::panel);
}

void PanelController::settingsWindowShownChanged(bool shown) {
    m_onboardingCard.settingsWindowShownChanged(shown);
}

void PanelController::readAttached() {
    send(Event::sessionStarted);
}

void PanelController::send(SurfaceEvent event) {
    apply(m_machine.handle(event));
    m_warningPopup.surfacesMoved();
}

void PanelController::handlePanelHoverEntered() {
    m_timers.disarmCloseGrace();
    send(Event::mouseReturnedToPanel);
}

void PanelController::handleBubbleHover() {
    const bool lingerArmed = m_timers.isFinishLingerArmed();
    const auto command = m_machine.handle(Event::bubbleHovered);
    if (!command)
        return;
    apply(command);
    if (lingerArmed)
        send(Event::readFinished);
}

// MARK: Command application

void PanelController::apply(std::optional<SurfaceCommand> command) {
    if (!command)
        return;
    m_pendingAnimation.cancel();
    m_timers.disarmFinishLinger();
    const bool reduce = m_env.motion.reduceMotion();
    surfaceLog.notice("%s → %s", commandName(*command), m_machine.state.description());
    if (m_warningPopup.isPresented())
        m_warningPopup.forceHide();
    carryOut(*command, reduce);
    // Dropped for an open that asked for it, unless something on the way called the open off
    // (and took its pin away).
    if (command == SurfaceCommand::dropPanel && std::exchange(m_keyOnDrop, false) &&
        m_machine.pinSources.contains(PinSource::menuOpen) && m_panel->isShown())
        givePanelTheKeyboard(openTarget());
    m_timers.armBubbleIdleTimeout();
}

void PanelController::carryOut(SurfaceCommand command, bool reduce) {
    const auto seconds = [reduce](double normal) { return reduce ? reducedFade : normal; };
    const auto fadeMilliseconds = [reduce](double normal) { return reduce ? 150.0 : normal; };
    switch (command) {
    case SurfaceCommand::showBubble:
        m_placement.refreshCurrentScreen();
        m_fades.orderOutUnlessFading(FadingWindow::panel);
        m_fades.orderOutUnlessFading(FadingWindow::idleBar);
        m_pointer.stopWatching();
        presentBubbleWindow();
        m_bubbleGeometry.setRevealed(true);
        m_pendingReadAttachedAfterOpen = false;
        break;
    case SurfaceCommand::retractBubble:
        m_bubbleGeometry.setRevealed(false);
        m_fades.orderOutAfterFade(FadingWindow::bubble, seconds(0.18));
        followUp(0, Event::bubbleRetractFinished);
        break;
    case SurfaceCommand::dropPanel:
        m_fades.orderOutUnlessFading(FadingWindow::bubble);
        m_fades.orderOutUnlessFading(FadingWindow::idleBar);
        presentPanelWindow();
        m_geometryBox.setRevealed(true);
        m_onboardingCard.panelDropping();
        m_pointer.startWatching();
        if (std::exchange(m_pendingReadAttachedAfterOpen, false))
            m_machine.handle(Event::sessionStarted); // only flags; nothing to apply
        if (state() == State::panelDropping)
            followUp(seconds(0.35), Event::panelDropFinished);
        break;
    case SurfaceCommand::retractPanel: {
        m_onboardingCard.panelRetracting();
        if (isReadAttachedToPanel && isReadAttachedToPanel())
            m_machine.handle(Event::sessionStarted);
        m_geometryBox.setRevealed(false);
        m_pointer.stopWatching();
        m_pointer.setPanelIgnoresMouse(true);
        const double fade = fadeMilliseconds(240);
        m_fades.orderOutAfterFade(FadingWindow::panel, fade / 1000);
        followUp(followUpAfterFade(fade), Event::panelRetractFinished);
        break;
    }
    case SurfaceCommand::returnBubble:
        m_fades.orderOutUnlessFading(FadingWindow::panel);
        m_fades.orderOutUnlessFading(FadingWindow::idleBar);
        presentBubbleWindow();
        m_bubbleGeometry.setRevealed(true);
        followUp(seconds(0.18), Event::bubbleReturnFinished, true);
        break;
    case SurfaceCommand::hideAll: {
        m_onboardingCard.end(false);
        m_bubbleGeometry.setRevealed(false);
        m_geometryBox.setRevealed(false);
        m_pointer.stopWatching();
        m_pointer.setPanelIgnoresMouse(true);
        m_tick.stop();
        m_pendingReadAttachedAfterOpen = false;
        const double fade = fadeMilliseconds(220);
        m_fades.orderOutAfterFade(FadingWindow::bubble, fade / 1000);
        m_fades.orderOutAfterFade(FadingWindow::panel, fade / 1000);
        followUp(followUpAfterFade(fade), Event::hideAllFinished);
        break;
    }
    case SurfaceCommand::showIdleBar:
    case SurfaceCommand::returnIdleBar:
        m_fades.orderOutUnlessFading(FadingWindow::bubble);
        m_fades.orderOutUnlessFading(FadingWindow::panel);
        m_pointer.stopWatching();
        m_tick.stop();
        if (!Defaults::get(m_env.keys.idleBarHidden)) {
            presentIdleBarWindow();
            m_idleBarGeometry.setRevealed(true);
        }
        if (command == SurfaceCommand::returnIdleBar)
            followUp(seconds(0.18), Event::idleBarReturnFinished);
        break;
    case SurfaceCommand::retractIdleBar:
        m_idleBarGeometry.setRevealed(false);
        m_fades.orderOutAfterFade(FadingWindow::idleBar, seconds(0.18));
        followUp(0, Event::idleBarRetractFinished);
        break;
    }
}

// The end of the command's animation, reported to the machine unless a newer command came first.
void PanelController::followUp(double delay, SurfaceEvent event, bool rearmIdleTimeout) {
    m_pendingAnimation = m_env.scheduler.after(delay, [this, event, rearmIdleTimeout] {
        send(event);
        if (rearmIdleTimeout)
            m_timers.armBubbleIdleTimeout();
    });
}

void PanelController::presentBubbleWindow() {
    m_fades.cancel(FadingWindow::bubble);
    m_timers.bubbleAppeared();
    if (m_placement.placeBubble())
        m_tick.start();
}

void PanelController::presentIdleBarWindow() {
    m_fades.cancel(FadingWindow::idleBar);
    m_placement.placeIdleBar();
}

void PanelController::presentPanelWindow() {
    m_fades.cancel(FadingWindow::panel);
    m_timers.panelAppeared();
    const auto screen = m_placement.freshScreen();
    if (!screen)
        return;
    m_pointer.setPanelIgnoresMouse(false);
    m_placement.placePanel(*screen);
    // At rest, clicks away from the visible sheet go through to the window below.
    m_pointer.updateClickThrough();
    m_tick.start();
}

// MARK: Display tick

void PanelController::displayTick() {
    if (m_viewModel.phase().kind() == PhaseKind::playing && onTick)
        onTick();
    m_placement.relayoutPanelIfNeeded();
}

} // namespace Parlino
