#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Panel/BubbleGeometryBox.h"
#include "Parlino/Panel/CurrentScreen.h"
#include "Parlino/Panel/IdleBarGeometryBox.h"
#include "Parlino/Panel/OnboardingGeometryBox.h"
#include "Parlino/Panel/PanelControl.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Panel/SurfaceWindow.h"
#include "Parlino/Panel/TextHeight.h"
#include "Parlino/Panel/WarningGeometryBox.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SurfaceStateMachine.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/SettingsNavigation.h"

#include <QSizeF>

#include <array>
#include <functional>
#include <memory>
#include <optional>

namespace Base {
class Clock;
}

namespace Parlino {

class ClipLibrary;
class AudioOutput;
class MotionPreferences;
class PointerMotion;
class PointerMotionSource;
class ScreenProvider;
struct SettingsKeys;
class TextMeasurer;

class PanelController;

// Build one surface's window and the view it hosts. The view reads the controller's models
// and geometry boxes and reports the user's actions to its public handlers. Views are made while
// the controller is being built: they may keep references and connect, but call nothing yet.
using SurfaceWindowFactory = std::function<std::unique_ptr<SurfaceWindow>(SurfaceKind)>;
using SurfaceContentFactory = std::function<QWidget*(SurfaceKind, PanelController&)>;

// What the controller runs on: the desktop, the settings, time and the user's motion wishes.
struct PanelEnvironment {
    ScreenProvider& screens;
    SurfaceWindowFactory makeWindow;
    PointerMotionSource& pointerMotionSource;
    PointerMotion& pointerMotion;
    const TextMeasurer& textMeasurer;
    const MotionPreferences& motion;
    const SettingsKeys& keys;
    const Base::Clock& clock;
    Base::Scheduler& scheduler;
};

// Owns the five floating surfaces under the top edge of the screen and decides which shows.
// What happens (a phase change of the read, a click, a hover, a menu command) becomes an event
// of the surface state machine; each command the machine answers is carried out by apply(),
// which orders windows, places them, flips the geometry boxes the views animate on, runs the
// display tick while the bubble or the panel is up, and, once an animation has had its time,
// reports its end to the machine. Nothing here activates the application or waits: every
// delay is a scheduled job whose guard (a generation, a phase, the state) makes a late firing
// harmless. Main thread only.
class PanelController final : public PanelControl {
public:
    PanelController(PlayerViewModel& viewModel, ClipLibrary& clipLibrary,
                    WarningModel& warningModel, AudioOutput* audioOutput,
                    std::unique_ptr<Playback::ChunkPlayerFactory> clipPlayers,
                    PanelEnvironment environment, const SurfaceContentFactory& makeContent = {});
    ~PanelController() override;
    PanelController(const PanelController&) = delete;
    PanelController& operator=(const PanelController&) = delete;

    // Once, after construction: chooses the screen, gives the panel its first frame and brings
    // up the idle bar.
    void start() override;
    void phaseDidChange(const PlayerViewModel::Phase& phase) override;
    void contentModeDidChange(PanelContentMode mode) override;
    void presentOnboarding() override;
    // Opens the panel from the idle bar or the bubble, pinned until the pointer first comes near.
    void openPanel() override;
    // The idle bar setting changed: shows or hides the idle bar at once, without an event.
    void idleBarHiddenChanged() override;
    // Closes the panel while the read's session is kept.
    void closePanelNow() override;
    // A read was started or loaded into the player: the open panel holds a live read again.
    void readAttached() override;
    // Carries out one command of the machine; none does nothing at all.
    void apply(std::optional<SurfaceCommand> command);
    // Passes an event to the machine and applies its answer.
    void send(SurfaceEvent event) override;

    // The views' reports.
    void handlePanelHoverEntered();
    void handleBubbleHover();
    void handleIdleBarClick();
    void scheduleWarningPopup();
    void retractWarningPopup(bool close);
    void endOnboarding(bool dismissPanel);

    // The work of one display tick, which runs 60 times a second while the bubble or the panel
    // is up: the shell's tick while the read plays, the panel's relayout, and the frost beat.
    void displayTick();
    bool isTickRunning() const { return m_tickRunning; }

    // Set by the shell.
    std::function<void()> onTick;
    std::function<OpenLanding()> onOpenLanding;
    std::function<void()> onSessionParkedOnIdleBar;
    std::function<bool()> isReadAttachedToPanel;
    void setOnTick(std::function<void()> tick) override { onTick = std::move(tick); }
    void setOnOpenLanding(std::function<OpenLanding()> decide) override {
        onOpenLanding = std::move(decide);
    }
    void setOnSessionParkedOnIdleBar(std::function<void()> park) override {
        onSessionParkedOnIdleBar = std::move(park);
    }
    void setIsReadAttachedToPanel(std::function<bool()> attached) override {
        isReadAttachedToPanel = std::move(attached);
    }

    const SurfaceStateMachine& machine() const { return m_machine; }
    PlayerViewModel& viewModel() { return m_viewModel; }
    WarningModel& warningModel() { return m_warningModel; }
    ClipsViewModel& clipsViewModel() override { return m_clips; }
    OnboardingModel& onboardingModel() override { return m_onboardingModel; }
    // The pane the panel's embedded settings show, apart from the settings window's.
    SettingsNavigation& settingsNavigation() override { return m_settingsNavigation; }
    PanelGeometryBox& geometryBox() { return m_geometryBox; }
    BubbleGeometryBox& bubbleGeometry() { return m_bubbleGeometry; }
    IdleBarGeometryBox& idleBarGeometry() { return m_idleBarGeometry; }
    WarningGeometryBox& warningGeometry() { return m_warningGeometry; }
    OnboardingGeometryBox& onboardingGeometry() { return m_onboardingGeometry; }
    bool warningPopupPresented() const { return m_warningPopupPresented; }
    bool onboardingPresented() const { return m_onboardingPresented; }

private:
    // The windows that fade out before they are ordered out.
    enum class WindowKind { bubble, panel, idleBar };
    struct Fade {
        bool pending = false;
        qint64 generation = 0;
        Base::ScheduledTask job;
    };

    std::unique_ptr<SurfaceWindow> makeWindow(SurfaceKind kind,
                                              const SurfaceContentFactory& content);
    SurfaceState::Kind state() const { return m_machine.state.kind(); }
    bool panelIsDown() const;
    bool reduceMotion() const;
    bool openFromSurface();
    void applyOpenLanding();
    void carryOut(SurfaceCommand command, bool reduce);
    void followUp(double delay, SurfaceEvent event, bool rearmIdleTimeout = false);

    // Placement.
    void refreshCurrentScreen();
    void presentBubbleWindow();
    void presentIdleBarWindow();
    void presentPanelWindow();
    PanelSizing::SheetInputs sheetInputs(const ScreenScalars& screen);
    qreal warningRowHeight() const;
    qreal textHeight();
    void applyPanelFrame(const ScreenScalars& screen);
    void relayoutPanelIfNeeded();
    QRectF visiblePanelRect(const ScreenScalars& screen);
    void placeOnboardingWindow();

    // Order-out and fades.
    void orderOutBubbleNow();
    void orderOutPanelNow();
    void orderOutIdleBarNow();
    void orderOutAfterFade(WindowKind kind, double seconds);
    void cancelFade(WindowKind kind);
    bool isFading(WindowKind kind) const;

    // Timers.
    void armDwell(const PlayerViewModel::Phase& phase);
    void armBubbleFinishLinger();
    void disarmFinishLinger();
    void armBubbleIdleTimeout();
    void armCloseGrace();
    void disarmCloseGrace();
    void closeGraceFired();

    // Pointer.
    void installMarginMouseMonitors();
    void removeMarginMouseMonitors();
    void handleMouseMoved();
    void setPanelIgnoresMouse(bool ignores);
    QRectF marginRect();

    // Tick and warning popup.
    void startTick();
    void stopTick();
    void scheduleNextTick(quint64 generation);
    void presentWarningPopup();
    void forceHideWarningPopup();

    // Onboarding presentation.
    void openForOnboarding(double deadline);
    void pinOnboarding();
    void settleOnboarding(QRectF previous, int pass);
    void showOnboardingCard();

    PlayerViewModel& m_viewModel;
    WarningModel& m_warningModel;
    PanelEnvironment m_env;
    CurrentScreen m_currentScreen;
    TextHeightCache m_textHeights;

    PanelGeometryBox m_geometryBox;
    BubbleGeometryBox m_bubbleGeometry;
    IdleBarGeometryBox m_idleBarGeometry;
    WarningGeometryBox m_warningGeometry;
    OnboardingGeometryBox m_onboardingGeometry;
    OnboardingModel m_onboardingModel;
    SettingsNavigation m_settingsNavigation;
    ClipsViewModel m_clips;
    SurfaceStateMachine m_machine;

    std::unique_ptr<SurfaceWindow> m_panel;
    std::unique_ptr<SurfaceWindow> m_bubble;
    std::unique_ptr<SurfaceWindow> m_idleBar;
    std::unique_ptr<SurfaceWindow> m_warning;
    std::unique_ptr<SurfaceWindow> m_onboarding;

    std::optional<QSizeF> m_lastAppliedSheetSize;
    bool m_didSeedPanelFrame = false;
    PlayerViewModel::Phase m_previousPhase = PlayerViewModel::Phase::hidden();
    bool m_pendingReadAttachedAfterOpen = false;
    bool m_menuOpenPinArmed = false;
    bool m_monitorsInstalled = false;
    bool m_warningPopupPresented = false;
    bool m_onboardingPresented = false;

    qint64 m_panelSurfaceGeneration = 0;
    qint64 m_bubbleSurfaceGeneration = 0;
    std::optional<qint64> m_closeGraceArmed;
    std::optional<qint64> m_finishLingerArmed;
    std::array<Fade, 3> m_fades;

    bool m_tickRunning = false;
    quint64 m_tickGeneration = 0;
    double m_nextTickAt = 0;
    qint64 m_tickCountForBeat = 0;

    Base::ScheduledTask m_pendingAnimation;
    Base::ScheduledTask m_mouseLeftPanelDebounce;
    Base::ScheduledTask m_dwellTask;
    Base::ScheduledTask m_bubbleIdleTimeoutTask;
    Base::ScheduledTask m_bubbleFinishLingerTask;
    Base::ScheduledTask m_warningPresentationTask;
    Base::ScheduledTask m_warningRetractTask;
    Base::ScheduledTask m_onboardingPresentationTask;
    Base::ScheduledTask m_onboardingRetractTask;
    Base::ScheduledTask m_onboardingRaiseTask;
    Base::ScheduledTask m_tick;
};

} // namespace Parlino
