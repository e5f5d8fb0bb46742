#include "Parlino/Panel/PanelController.h"

#include "Base/Clock.h"
#include "Base/Log.h"
#include "Base/NotificationCenter.h"
#include "Defaults/Key.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Panel/PointerMotionSource.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/PointerMotion.h"

#include <algorithm>
#include <cmath>

namespace Parlino {

namespace {

const Base::Log surfaceLog("surface");
const Base::Log focusLog("focus-diag");

using State = SurfaceState::Kind;
using PhaseKind = PlayerViewModel::Phase::Kind;
using Event = SurfaceEvent::Kind;

constexpr double tickInterval = 1.0 / 60;
constexpr qint64 ticksPerBeat = 120;
constexpr qreal pointerMargin = 38;
constexpr double closeGraceDelay = 0.2;
constexpr double finishLingerDelay = 1;
constexpr qint64 bubbleIdleTimeoutSeconds = 5;
constexpr double failureDwell = 4;
constexpr double onboardingRaiseDelay = 0.26;
constexpr double onboardingExitDelay = 0.34;
constexpr double onboardingOpenTimeout = 2;
constexpr double onboardingOpenPoll = 0.05;
constexpr double onboardingSettlePoll = 0.03;
constexpr int onboardingSettlePasses = 20;
constexpr qreal onboardingGap = 22;
constexpr qreal onboardingWidth = 496;
// With Reduce Motion every surface fades in place for this long.
constexpr double reducedFade = 0.15;

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

bool isStalledOrPaused(PhaseKind kind) {
    return kind == PhaseKind::stalled || kind == PhaseKind::paused;
}

bool sizesEqual(const std::optional<QSizeF>& a, QSizeF b) {
    return a && a->width() == b.width() && a->height() == b.height();
}

} // namespace

PanelController::PanelController(PlayerViewModel& viewModel, ClipLibrary& clipLibrary,
                                 WarningModel& warningModel, AudioOutput* audioOutput,
                                 std::unique_ptr<Playback::ChunkPlayerFactory> clipPlayers,
                                 PanelEnvironment environment,
                                 const SurfaceContentFactory& makeContent)
    : m_viewModel(viewModel), m_warningModel(warningModel), m_env(std::move(environment)),
      m_currentScreen(m_env.screens), m_textHeights(m_env.textMeasurer),
      m_clips(clipLibrary, audioOutput, std::move(clipPlayers), m_env.keys),
      m_panel(makeWindow(SurfaceKind::panel, makeContent)),
      m_bubble(makeWindow(SurfaceKind::bubble, makeContent)),
      m_idleBar(makeWindow(SurfaceKind::idleBar, makeContent)),
      m_warning(makeWindow(SurfaceKind::warning, makeContent)),
      m_onboarding(makeWindow(SurfaceKind::onboarding, makeContent)) {
    const auto close = [this] {
        if (m_viewModel.onClose)
            m_viewModel.onClose();
    };
    m_panel->onCancel = close;
    m_bubble->onCancel = close;
    m_onboarding->onCancel = [this] { endOnboarding(true); };
    m_onboardingModel.onFinish = [this] { endOnboarding(true); };
}

PanelController::~PanelController() {
    removeMarginMouseMonitors();
}

std::unique_ptr<SurfaceWindow> PanelController::makeWindow(SurfaceKind kind,
                                                           const SurfaceContentFactory& content) {
    auto window = m_env.makeWindow(kind);
    if (content)
        if (QWidget* view = content(kind, *this))
            window->setContentView(view);
    return window;
}

bool PanelController::panelIsDown() const {
    return state() == State::panel || state() == State::panelDropping;
}

bool PanelController::reduceMotion() const {
    return m_env.motion.reduceMotion();
}

// MARK: Public operations

void PanelController::start() {
    refreshCurrentScreen();
    if (!m_didSeedPanelFrame)
        if (const auto screen = m_currentScreen.scalars()) {
            m_didSeedPanelFrame = true;
            m_panel->setFrame(NotchPlacement::panelWindowFrame(*screen), false);
        }
    send(Event::start);
}

void PanelController::phaseDidChange(const PlayerViewModel::Phase& phase) {
    armDwell(phase);
    switch (phase.kind()) {
    case PhaseKind::confirmingLength:
    case PhaseKind::failed:
        disarmFinishLinger();
        send(Event::cardNeeded);
        break;
    case PhaseKind::stalled:
    case PhaseKind::listening:
    case PhaseKind::loading:
    case PhaseKind::playing:
    case PhaseKind::paused:
    case PhaseKind::recapturing:
        disarmFinishLinger();
        // A read already in a bubble or panel keeps it; one after a card needs its surface.
        if (state() == State::hidden || state() == State::idleBar ||
            PanelSizing::isCardPhase(m_previousPhase.kind()))
            send(Event::readBegan);
        break;
    case PhaseKind::hidden:
        disarmFinishLinger();
        send(Event::dismissAll);
        break;
    case PhaseKind::finished:
        if (state() == State::bubble)
            armBubbleFinishLinger();
        else
            send(Event::readFinished);
        break;
    }
    relayoutPanelIfNeeded();
    armBubbleIdleTimeout();
    m_previousPhase = phase;
}

void PanelController::contentModeDidChange(PanelContentMode mode) {
    if (mode == PanelContentMode::clips)
        m_clips.reload();
    relayoutPanelIfNeeded();
    if (m_onboardingPresented)
        m_onboardingRaiseTask = m_env.scheduler.after(onboardingRaiseDelay, [this] {
            if (!m_onboardingPresented)
                return;
            placeOnboardingWindow();
            m_onboarding->orderFront();
        });
}

void PanelController::openPanel() {
    openFromSurface();
}

// The open of the menu, the shortcut and the tutorial: from the idle bar or the bubble, with the
// open landing, pinned until the pointer first comes near. False when nothing opened.
bool PanelController::openFromSurface() {
    if (state() == State::idleBar) {
        const auto command = m_machine.handle(Event::idleBarClicked);
        if (!command)
            return false;
        apply(command);
        applyOpenLanding();
    } else if (state() == State::bubble) {
        const bool lingerArmed = m_finishLingerArmed.has_value();
        const auto command = m_machine.handle(Event::bubbleHovered);
        if (!command)
            return false;
        apply(command);
        if (lingerArmed)
            send(Event::readFinished);
    } else {
        return false;
    }
    m_menuOpenPinArmed = true;
    send(SurfaceEvent::pin(PinSource::menuOpen));
    return true;
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
        orderOutIdleBarNow();
    } else {
        presentIdleBarWindow();
        m_idleBarGeometry.setRevealed(true);
    }
}

void PanelController::closePanelNow() {
    disarmCloseGrace();
    send(Event::closePanel);
}

void PanelController::readAttached() {
    send(Event::sessionStarted);
}

void PanelController::send(SurfaceEvent event) {
    apply(m_machine.handle(event));
}

void PanelController::handlePanelHoverEntered() {
    disarmCloseGrace();
    send(Event::mouseReturnedToPanel);
}

void PanelController::handleBubbleHover() {
    const bool lingerArmed = m_finishLingerArmed.has_value();
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
    disarmFinishLinger();
    const bool reduce = reduceMotion();
    surfaceLog.notice("%s → %s", commandName(*command), m_machine.state.description());
    if (m_warningPopupPresented)
        forceHideWarningPopup();
    carryOut(*command, reduce);
    armBubbleIdleTimeout();
}

void PanelController::carryOut(SurfaceCommand command, bool reduce) {
    const auto seconds = [reduce](double normal) { return reduce ? reducedFade : normal; };
    const auto fadeMilliseconds = [reduce](double normal) { return reduce ? 150.0 : normal; };
    switch (command) {
    case SurfaceCommand::showBubble:
        refreshCurrentScreen();
        if (!isFading(WindowKind::panel))
            orderOutPanelNow();
        if (!isFading(WindowKind::idleBar))
            orderOutIdleBarNow();
        removeMarginMouseMonitors();
        presentBubbleWindow();
        m_bubbleGeometry.setRevealed(true);
        m_pendingReadAttachedAfterOpen = false;
        break;
    case SurfaceCommand::retractBubble:
        m_bubbleGeometry.setRevealed(false);
        orderOutAfterFade(WindowKind::bubble, seconds(0.18));
        followUp(0, Event::bubbleRetractFinished);
        break;
    case SurfaceCommand::dropPanel:
        if (!isFading(WindowKind::bubble))
            orderOutBubbleNow();
        if (!isFading(WindowKind::idleBar))
            orderOutIdleBarNow();
        presentPanelWindow();
        m_geometryBox.setRevealed(true);
        installMarginMouseMonitors();
        if (std::exchange(m_pendingReadAttachedAfterOpen, false))
            m_machine.handle(Event::sessionStarted); // only flags; nothing to apply
        if (state() == State::panelDropping)
            followUp(seconds(0.35), Event::panelDropFinished);
        break;
    case SurfaceCommand::retractPanel: {
        if (m_onboardingPresented)
            endOnboarding(false);
        if (isReadAttachedToPanel && isReadAttachedToPanel())
            m_machine.handle(Event::sessionStarted);
        m_geometryBox.setRevealed(false);
        removeMarginMouseMonitors();
        setPanelIgnoresMouse(true);
        const double fade = fadeMilliseconds(240);
        orderOutAfterFade(WindowKind::panel, fade / 1000);
        followUp(followUpAfterFade(fade), Event::panelRetractFinished);
        break;
    }
    case SurfaceCommand::returnBubble:
        if (!isFading(WindowKind::panel))
            orderOutPanelNow();
        if (!isFading(WindowKind::idleBar))
            orderOutIdleBarNow();
        presentBubbleWindow();
        m_bubbleGeometry.setRevealed(true);
        followUp(seconds(0.18), Event::bubbleReturnFinished, true);
        break;
    case SurfaceCommand::hideAll: {
        if (m_onboardingPresented)
            endOnboarding(false);
        m_bubbleGeometry.setRevealed(false);
        m_geometryBox.setRevealed(false);
        removeMarginMouseMonitors();
        setPanelIgnoresMouse(true);
        stopTick();
        m_pendingReadAttachedAfterOpen = false;
        const double fade = fadeMilliseconds(220);
        orderOutAfterFade(WindowKind::bubble, fade / 1000);
        orderOutAfterFade(WindowKind::panel, fade / 1000);
        followUp(followUpAfterFade(fade), Event::hideAllFinished);
        break;
    }
    case SurfaceCommand::showIdleBar:
    case SurfaceCommand::returnIdleBar:
        if (!isFading(WindowKind::bubble))
            orderOutBubbleNow();
        if (!isFading(WindowKind::panel))
            orderOutPanelNow();
        removeMarginMouseMonitors();
        stopTick();
        if (!Defaults::get(m_env.keys.idleBarHidden)) {
            presentIdleBarWindow();
            m_idleBarGeometry.setRevealed(true);
        }
        if (command == SurfaceCommand::returnIdleBar)
            followUp(seconds(0.18), Event::idleBarReturnFinished);
        break;
    case SurfaceCommand::retractIdleBar:
        m_idleBarGeometry.setRevealed(false);
        orderOutAfterFade(WindowKind::idleBar, seconds(0.18));
        followUp(0, Event::idleBarRetractFinished);
        break;
    }
}

// The end of the command's animation, reported to the machine unless a newer command came first.
void PanelController::followUp(double delay, SurfaceEvent event, bool rearmIdleTimeout) {
    m_pendingAnimation = m_env.scheduler.after(delay, [this, event, rearmIdleTimeout] {
        send(event);
        if (rearmIdleTimeout)
            armBubbleIdleTimeout();
    });
}

// MARK: Placement

void PanelController::refreshCurrentScreen() {
    m_currentScreen.refresh();
    m_lastAppliedSheetSize.reset();
}

void PanelController::presentBubbleWindow() {
    cancelFade(WindowKind::bubble);
    ++m_bubbleSurfaceGeneration;
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    const auto placed = NotchPlacement::presentBubbleWindow(*m_bubble, *screen);
    m_bubbleGeometry.setPillHeight(placed.pillHeight);
    m_bubbleGeometry.setVisibleHeight(placed.visibleHeight);
    m_bubbleGeometry.setHorizontalBleed(placed.horizontalBleed);
    startTick();
}

void PanelController::presentIdleBarWindow() {
    cancelFade(WindowKind::idleBar);
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    m_idleBarGeometry.setPresentationID(m_idleBarGeometry.presentationID() + 1);
    const auto placed = NotchPlacement::presentIdleBarWindow(*m_idleBar, *screen);
    m_idleBarGeometry.setPillHeight(placed.pillHeight);
    m_idleBarGeometry.setSlideDistance(placed.visibleHeight);
    m_idleBarGeometry.setHorizontalBleed(placed.horizontalBleed);
}

void PanelController::presentPanelWindow() {
    m_currentScreen.forgetScalars();
    cancelFade(WindowKind::panel);
    ++m_panelSurfaceGeneration;
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    setPanelIgnoresMouse(false);
    m_lastAppliedSheetSize = PanelSizing::panelSheetSize(sheetInputs(*screen));
    applyPanelFrame(*screen);
    m_panel->orderFront();
    // At rest, clicks away from the visible sheet go through to the window below.
    setPanelIgnoresMouse(NotchPlacement::panelIgnoresMouseAt(
        m_env.screens.pointerLocation(), m_panel->frame(), visiblePanelRect(*screen)));
    startTick();
}

PanelSizing::SheetInputs PanelController::sheetInputs(const ScreenScalars& screen) {
    PanelSizing::SheetInputs inputs;
    inputs.phase = m_viewModel.phase().kind();
    inputs.contentMode = m_viewModel.contentMode();
    inputs.topContentInset = NotchPlacement::topInset(screen);
    inputs.warningRowHeight = warningRowHeight();
    inputs.screenHeight = screen.frame.height();
    if (!PanelSizing::isCardPhase(inputs.phase) && inputs.contentMode == PanelContentMode::reading)
        inputs.textHeight = textHeight();
    return inputs;
}

qreal PanelController::warningRowHeight() const {
    return PanelSizing::warningRowHeight(
        m_warningModel.current().kind() != ActiveWarning::Kind::none, m_viewModel.phase().kind());
}

qreal PanelController::textHeight() {
    const SettingsKeys& keys = m_env.keys;
    const TextMeasurementKey key{
        m_viewModel.textEpoch(), qreal(Defaults::get(keys.panelFontSize)),
        PanelFontChoices::fromRawValue(Defaults::get(keys.panelFontDesign))
            .value_or(PanelFontChoice::sfPro),
        TranscriptCaseChoices::fromRawValue(Defaults::get(keys.transcriptCase))
            .value_or(TranscriptCaseChoice::preserve),
        PanelSizing::transcriptWidth};
    const qreal height = m_textHeights.height(key, m_viewModel.text());
    m_geometryBox.setCachedTextHeight(height);
    return height;
}

void PanelController::applyPanelFrame(const ScreenScalars& screen) {
    m_geometryBox.setTopContentInset(NotchPlacement::topInset(screen));
    m_geometryBox.setWarningRowHeight(warningRowHeight());
    m_geometryBox.setScreenHeight(screen.frame.height());
    NotchPlacement::applyPanelFrame(*m_panel, screen);
}

// Keeps the panel's window in step with its content and screen; in the steady state it only
// compares the window's frame with its target.
void PanelController::relayoutPanelIfNeeded() {
    if (!panelIsDown())
        return;
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    const QSizeF size = PanelSizing::panelSheetSize(sheetInputs(*screen));
    if (sizesEqual(m_lastAppliedSheetSize, size)) {
        if (!NotchPlacement::framesNearlyEqual(m_panel->frame(),
                                               NotchPlacement::panelWindowFrame(*screen)))
            applyPanelFrame(*screen);
        return;
    }
    m_lastAppliedSheetSize = size;
    applyPanelFrame(*screen);
}

QRectF PanelController::visiblePanelRect(const ScreenScalars& screen) {
    return NotchPlacement::visiblePanelRect(screen, PanelSizing::panelHeight(sheetInputs(screen)),
                                            m_panel->frame());
}

// The card's window reaches from below the card to the top of the screen, so the card, at its
// bottom, has room above to slide.
void PanelController::placeOnboardingWindow() {
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    const QRectF panel = visiblePanelRect(*screen);
    const qreal cardHeight = m_onboardingGeometry.height();
    const qreal bottom = panel.y() - onboardingGap - cardHeight;
    const qreal height = std::max(screen->frame.bottom() - bottom, 2 * cardHeight);
    m_onboarding->setFrame(
        QRectF(screen->frame.center().x() - onboardingWidth / 2, bottom, onboardingWidth, height),
        true);
    m_onboardingGeometry.setExitTravel(height);
}

// MARK: Order-out and fades

void PanelController::orderOutBubbleNow() {
    ++m_bubbleSurfaceGeneration;
    disarmFinishLinger();
    m_bubble->orderOut();
}

void PanelController::orderOutPanelNow() {
    ++m_panelSurfaceGeneration;
    disarmCloseGrace();
    m_panel->orderOut();
    m_geometryBox.setRevealed(false);
}

void PanelController::orderOutIdleBarNow() {
    m_idleBar->orderOut();
    m_idleBarGeometry.setPresentationID(m_idleBarGeometry.presentationID() + 1);
}

// Orders the window out once its fade has played, unless it is presented again meanwhile.
void PanelController::orderOutAfterFade(WindowKind kind, double seconds) {
    Fade& fade = m_fades[size_t(kind)];
    fade.pending = true;
    const qint64 generation = ++fade.generation;
    fade.job = m_env.scheduler.after(seconds, [this, kind, generation] {
        Fade& current = m_fades[size_t(kind)];
        if (current.generation != generation)
            return;
        switch (kind) {
        case WindowKind::bubble:
            orderOutBubbleNow();
            break;
        case WindowKind::panel:
            orderOutPanelNow();
            break;
        case WindowKind::idleBar:
            orderOutIdleBarNow();
            break;
        }
        current.pending = false;
    });
}

// A window shown again calls off its pending order-out.
void PanelController::cancelFade(WindowKind kind) {
    Fade& fade = m_fades[size_t(kind)];
    if (std::exchange(fade.pending, false))
        ++fade.generation;
}

bool PanelController::isFading(WindowKind kind) const {
    return m_fades[size_t(kind)].pending;
}

// MARK: Timers

void PanelController::armDwell(const PlayerViewModel::Phase& phase) {
    m_dwellTask.cancel();
    if (phase.kind() != PhaseKind::failed || phase.dwell() != PlayerViewModel::Dwell::autoDismiss)
        return;
    m_dwellTask = m_env.scheduler.after(failureDwell, [this, phase] {
        if (m_viewModel.phase() == phase)
            m_viewModel.hide();
    });
}

void PanelController::armBubbleFinishLinger() {
    if (state() != State::bubble || m_finishLingerArmed)
        return;
    m_finishLingerArmed = m_bubbleSurfaceGeneration;
    surfaceLog.notice("bubbleFinishLinger armed (1s)");
    m_bubbleFinishLingerTask = m_env.scheduler.after(finishLingerDelay, [this] {
        const auto armed = std::exchange(m_finishLingerArmed, std::nullopt);
        if (!armed || *armed != m_bubbleSurfaceGeneration ||
            m_viewModel.phase().kind() != PhaseKind::finished || state() != State::bubble)
            return;
        surfaceLog.notice("bubbleFinishLinger fired");
        send(Event::readFinished);
    });
}

void PanelController::disarmFinishLinger() {
    m_bubbleFinishLingerTask.cancel();
    m_finishLingerArmed.reset();
}

// A stalled or paused read in the bubble goes back to the idle bar after a while; every phase
// change and every command counts from zero again.
void PanelController::armBubbleIdleTimeout() {
    m_bubbleIdleTimeoutTask.cancel();
    if (state() != State::bubble || !isStalledOrPaused(m_viewModel.phase().kind()))
        return;
    surfaceLog.notice("bubbleIdleTimeout armed (%llds)", bubbleIdleTimeoutSeconds);
    m_bubbleIdleTimeoutTask = m_env.scheduler.after(double(bubbleIdleTimeoutSeconds), [this] {
        if (state() != State::bubble || !isStalledOrPaused(m_viewModel.phase().kind()))
            return;
        surfaceLog.notice("bubbleIdleTimeout fired");
        focusLog.notice("bubbleIdleTimeout fired → returnIdleBar (z-order only, focus-neutral)");
        if (onSessionParkedOnIdleBar)
            onSessionParkedOnIdleBar();
        send(Event::bubbleIdleTimeout);
    });
}

// Counts from the first exit: further exits while armed change nothing.
void PanelController::armCloseGrace() {
    if (m_closeGraceArmed)
        return;
    m_closeGraceArmed = m_panelSurfaceGeneration;
    m_mouseLeftPanelDebounce =
        m_env.scheduler.after(closeGraceDelay, [this] { closeGraceFired(); });
}

void PanelController::disarmCloseGrace() {
    m_mouseLeftPanelDebounce.cancel();
    m_closeGraceArmed.reset();
}

void PanelController::closeGraceFired() {
    const bool outside = !pointerInRect(m_env.screens.pointerLocation(), marginRect());
    const auto armed = std::exchange(m_closeGraceArmed, std::nullopt);
    if (armed && *armed == m_panelSurfaceGeneration && outside)
        send(Event::mouseLeftPanel);
}

// MARK: Pointer

void PanelController::installMarginMouseMonitors() {
    if (m_monitorsInstalled)
        return;
    m_monitorsInstalled = m_env.pointerMotionSource.start([this] { handleMouseMoved(); });
    if (!m_monitorsInstalled)
        surfaceLog.error("pointer motion cannot be watched; the panel closes only when asked");
}

void PanelController::removeMarginMouseMonitors() {
    if (std::exchange(m_monitorsInstalled, false))
        m_env.pointerMotionSource.stop();
}

void PanelController::handleMouseMoved() {
    m_env.pointerMotion.pointerMoved();
    const QPointF pointer = m_env.screens.pointerLocation();
    if (const auto screen = m_currentScreen.scalars())
        setPanelIgnoresMouse(NotchPlacement::panelIgnoresMouseAt(pointer, m_panel->frame(),
                                                                 visiblePanelRect(*screen)));
    if (!pointerInRect(pointer, marginRect())) {
        armCloseGrace();
        return;
    }
    disarmCloseGrace();
    send(Event::mouseReturnedToPanel);
    if (std::exchange(m_menuOpenPinArmed, false))
        send(SurfaceEvent::unpin(PinSource::menuOpen));
}

void PanelController::setPanelIgnoresMouse(bool ignores) {
    if (m_panel->ignoresMouse() == ignores)
        return;
    m_panel->setIgnoresMouse(ignores);
    surfaceLog.notice("panel.ignoresMouseEvents=%{bool}d in %s", ignores,
                      m_machine.state.description());
}

// Near the panel: its visible sheet (or, without a screen, its window) and 38 pt around it.
QRectF PanelController::marginRect() {
    const auto screen = m_currentScreen.scalars();
    const QRectF near = screen ? visiblePanelRect(*screen) : m_panel->frame();
    return near.adjusted(-pointerMargin, -pointerMargin, pointerMargin, pointerMargin);
}

// MARK: Display tick

void PanelController::startTick() {
    if (m_tickRunning)
        return;
    m_tickRunning = true;
    m_nextTickAt = m_env.clock.now() + tickInterval;
    scheduleNextTick(++m_tickGeneration);
}

void PanelController::stopTick() {
    m_tickRunning = false;
    m_tick.cancel();
}

// Each tick is due a fixed interval after the one before, so the rate does not drift with the
// timers' rounding; a tick that comes late starts the count afresh.
void PanelController::scheduleNextTick(quint64 generation) {
    const double delay = std::max(0.0, m_nextTickAt - m_env.clock.now());
    m_tick = m_env.scheduler.after(delay, [this, generation] {
        const double now = m_env.clock.now();
        m_nextTickAt = std::max(m_nextTickAt + tickInterval, now);
        displayTick();
        if (m_tickRunning && generation == m_tickGeneration)
            scheduleNextTick(generation);
    });
}

void PanelController::displayTick() {
    if (m_viewModel.phase().kind() == PhaseKind::playing && onTick)
        onTick();
    relayoutPanelIfNeeded();
    if (++m_tickCountForBeat >= ticksPerBeat) {
        m_tickCountForBeat = 0;
        Base::NotificationCenter::defaultCenter().post(parlinoFrostMaintenanceBeat);
    }
}

// MARK: Warning popup

// From the idle bar the popup shows at once; otherwise the surfaces go home first and the popup
// follows once the bubble and panel have faded and the idle bar is back.
void PanelController::scheduleWarningPopup() {
    if (state() == State::idleBar) {
        presentWarningPopup();
        return;
    }
    const bool reduce = reduceMotion();
    send(Event::dismissAll);
    // The fade-out, the idle bar's return and a little margin.
    const double delay = reduce ? 0.34 : 0.44;
    m_warningPresentationTask = m_env.scheduler.after(delay, [this] {
        if (state() == State::idleBar)
            presentWarningPopup();
    });
}

void PanelController::presentWarningPopup() {
    cancelFade(WindowKind::idleBar);
    const auto screen = m_currentScreen.scalars();
    if (!screen)
        return;
    const auto placed = NotchPlacement::warningPlacement(*screen);
    m_warningGeometry.setPillHeight(placed.pillHeight);
    m_warningGeometry.setPresentationID(m_warningGeometry.presentationID() + 1);
    NotchPlacement::presentWarningWindow(*m_warning, *screen);
    focusLog.notice("warning popup present (orderFrontRegardless, nonactivating, focus-neutral)");
    m_warningPopupPresented = true;
    m_warningGeometry.setRevealed(true);
}

void PanelController::forceHideWarningPopup() {
    m_warningPresentationTask.cancel();
    m_warningRetractTask.cancel();
    m_warningGeometry.setRevealed(false);
    m_warning->orderOut();
    m_warningPopupPresented = false;
    focusLog.notice("warning popup force-hidden (surface transition; orderOut, focus-neutral)");
}

void PanelController::retractWarningPopup(bool close) {
    if (!m_warningPopupPresented)
        return;
    const double slide = reduceMotion() ? reducedFade : 0.18;
    m_warningPresentationTask.cancel();
    m_warningGeometry.setRevealed(false);
    focusLog.notice("warning popup retract (slide up, orderOut pending, focus-neutral)");
    m_warningRetractTask = m_env.scheduler.after(slide, [this, close] {
        m_warning->orderOut();
        m_warningPopupPresented = false;
        if (close) {
            m_warningModel.setDismissedThisSession(true);
            m_warningModel.recompute();
        }
    });
}

// MARK: Onboarding

void PanelController::presentOnboarding() {
    if (m_onboardingPresented)
        return;
    m_onboardingRetractTask.cancel();
    m_onboardingPresented = true;
    Defaults::set(m_env.keys.hasSeenOnboarding, true);
    openForOnboarding(m_env.clock.now() + onboardingOpenTimeout);
}

// Opens the panel as the menu does and waits, at most until `deadline`, for it to be down.
void PanelController::openForOnboarding(double deadline) {
    if (m_env.clock.now() >= deadline) {
        surfaceLog.error("onboarding: panel never settled — presenting anyway (state=%s)",
                         m_machine.state.description());
        pinOnboarding();
        return;
    }
    if (state() == State::panel) {
        pinOnboarding();
        return;
    }
    if (state() == State::idleBar || state() == State::bubble)
        openFromSurface();
    m_onboardingPresentationTask = m_env.scheduler.after(
        onboardingOpenPoll, [this, deadline] { openForOnboarding(deadline); });
}

void PanelController::pinOnboarding() {
    if (!m_onboardingPresented)
        return;
    send(SurfaceEvent::pin(PinSource::onboarding));
    m_onboardingGeometry.setIsExiting(false);
    m_onboardingGeometry.setPresentationID(m_onboardingGeometry.presentationID() + 1);
    m_onboardingModel.setIndex(0);
    m_onboardingModel.revealCurrent();
    const auto screen = m_currentScreen.scalars();
    if (!screen) {
        showOnboardingCard();
        return;
    }
    settleOnboarding(visiblePanelRect(*screen), 1);
}

// Waits, a few passes at most, until the panel's visible sheet stops moving.
void PanelController::settleOnboarding(QRectF previous, int pass) {
    m_onboardingPresentationTask =
        m_env.scheduler.after(onboardingSettlePoll, [this, previous, pass] {
            const auto screen = m_currentScreen.scalars();
            if (!screen) {
                showOnboardingCard();
                return;
            }
            const QRectF now = visiblePanelRect(*screen);
            const bool settled = std::abs(now.y() - previous.y()) < 0.5 &&
                                 std::abs(now.height() - previous.height()) < 0.5;
            if (settled || pass >= onboardingSettlePasses)
                showOnboardingCard();
            else
                settleOnboarding(now, pass + 1);
        });
}

void PanelController::showOnboardingCard() {
    if (!m_onboardingPresented)
        return;
    placeOnboardingWindow();
    m_onboarding->orderFront();
    surfaceLog.notice("onboarding present (panel state=%s)", m_machine.state.description());
    m_onboardingGeometry.setRevealed(true);
}

void PanelController::endOnboarding(bool dismissPanel) {
    if (!m_onboardingPresented)
        return;
    m_onboardingPresented = false;
    m_onboardingGeometry.setIsExiting(true);
    m_onboardingGeometry.setRevealed(false);
    send(SurfaceEvent::unpin(PinSource::onboarding));
    if (dismissPanel && m_onboardingModel.onDismissPanel)
        m_onboardingModel.onDismissPanel();
    m_onboardingRetractTask = m_env.scheduler.after(onboardingExitDelay, [this] {
        m_onboarding->orderOut();
        surfaceLog.notice("onboarding finished (unpinned, ordered out)");
    });
}

} // namespace Parlino
