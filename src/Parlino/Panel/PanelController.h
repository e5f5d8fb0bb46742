#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Clips/ClipsViewModel.h"
#include "Parlino/Panel/DisplayTick.h"
#include "Parlino/Panel/OnboardingPresenter.h"
#include "Parlino/Panel/PanelControl.h"
#include "Parlino/Panel/PanelFocusTarget.h"
#include "Parlino/Panel/PanelPointer.h"
#include "Parlino/Panel/PanelSurfaces.h"
#include "Parlino/Panel/SurfaceFades.h"
#include "Parlino/Panel/SurfacePlacement.h"
#include "Parlino/Panel/SurfaceTimers.h"
#include "Parlino/Panel/WarningPopupPresenter.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SurfaceStateMachine.h"
#include "Parlino/Services/WarningModel.h"
#include "Parlino/Settings/SettingsNavigation.h"

#include <functional>
#include <memory>
#include <optional>

namespace Parlino {

class ClipLibrary;
class AudioOutput;

class PanelController;

// Build the view one surface's window hosts. The view reads the controller's models and geometry
// boxes and reports the user's actions to its public handlers. Views are made while the
// controller is being built: they may keep references and connect, but call nothing yet.
using SurfaceContentFactory = std::function<QWidget*(SurfaceKind, PanelController&)>;

// Owns the five floating surfaces under the top edge of the screen and decides which shows.
// What happens (a phase change of the read, a click, a hover, a menu command) becomes an event
// of the surface state machine; each command the machine answers is carried out by apply(),
// which orders windows, places them, flips the geometry boxes the views animate on, runs the
// display tick while the bubble or the panel is up and something moves, and, once an animation
// has had its time, reports its end to the machine. Placement, fades, timers, the pointer, the
// tick, the warning pill and the tutorial's card are its collaborators, each in its own file.
// Nothing here activates the application or waits: every delay is a scheduled job whose guard
// (a generation, a phase, the state) makes a late firing harmless. Main thread only.
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
    // Opens the panel whatever the surfaces are doing (resting, lingering, moving or fading),
    // pinned until the pointer first comes near. The user asked to go there: the panel, once
    // down, takes the keyboard (as it does at once when it is down already), which no other
    // showing of a surface takes from the user's application, on the control openFocusTarget()
    // names for what it shows then. While the tutorial's card shows, the card takes it instead.
    void openPanel() override;
    // The idle bar setting changed: shows or hides the idle bar at once, without an event.
    void idleBarHiddenChanged() override;
    // Closes the panel while the read's session is kept.
    void closePanelNow() override;
    void makeRoomForWindow() override;
    void settingsWindowShownChanged(bool shown) override;
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
    void scheduleWarningPopup() { m_warningPopup.schedule(); }
    void retractWarningPopup(bool close) { m_warningPopup.retract(close); }
    void endOnboarding(bool dismissPanel) { m_onboardingCard.end(dismissPanel); }

    // The work of one display tick, which runs 60 times a second while the read plays in the
    // bubble or the panel, and once after any other change the panel's size follows: the shell's
    // tick while the read plays and the panel's relayout.
    void displayTick();
    bool isTickRunning() const { return m_tick.isRunning(); }

    // Set by the shell.
    std::function<void()> onTick;
    std::function<OpenLanding()> onOpenLanding;
    std::function<void()> onSessionParkedOnIdleBar;
    std::function<bool()> isReadAttachedToPanel;
    // Sends the panel's keyboard to the control named, once the panel has it.
    std::function<void(PanelFocusTarget)> onPanelFocus;
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
    bool warningPopupPresented() const { return m_warningPopup.isPresented(); }
    bool onboardingPresented() const { return m_onboardingCard.isPresented(); }

private:
    std::unique_ptr<SurfaceWindow> makeWindow(SurfaceKind kind,
                                              const SurfaceContentFactory& content);
    SurfaceState::Kind state() const { return m_machine.state.kind(); }
    void openFromSurface(bool takeKeyboard);
    PanelFocusTarget openTarget() const;
    void givePanelTheKeyboard(PanelFocusTarget target);
    void applyOpenLanding();
    void carryOut(SurfaceCommand command, bool reduce);
    void followUp(double delay, SurfaceEvent event, bool rearmIdleTimeout = false);
    void presentBubbleWindow();
    void presentIdleBarWindow();
    void presentPanelWindow();

    PlayerViewModel& m_viewModel;
    WarningModel& m_warningModel;
    PanelEnvironment m_env;

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

    PanelSurfaces m_surfaces;
    DisplayTick m_tick;
    SurfacePlacement m_placement;
    SurfaceTimers m_timers;
    SurfaceFades m_fades;
    PanelPointer m_pointer;
    WarningPopupPresenter m_warningPopup;
    OnboardingPresenter m_onboardingCard;

    PlayerViewModel::Phase m_previousPhase = PlayerViewModel::Phase::hidden();
    bool m_pendingReadAttachedAfterOpen = false;
    Base::ScheduledTask m_pendingAnimation;
    // openPanel() started an open: the panel takes the keyboard when it drops for it.
    bool m_keyOnDrop = false;
};

} // namespace Parlino
