#pragma once

#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SurfaceStateMachine.h"

#include <functional>

namespace Parlino {

class ClipsViewModel;
class OnboardingModel;
class SettingsNavigation;

// Where an opening of the panel lands: on the live read, on the last read rebuilt paused, or on
// the clips list.
enum class OpenLanding { reading, readingRebuildPaused, clips };

// The floating panel's controller as the application shell drives it: the read's phase and
// attachment and the menu's commands go in, the shell's hooks for the display tick and the
// panel's decisions come out. Main thread only.
class PanelControl {
public:
    virtual ~PanelControl() = default;

    // Once, at launch: brings up the first surface.
    virtual void start() = 0;
    virtual void openPanel() = 0;
    virtual void presentOnboarding() = 0;
    virtual void contentModeDidChange(PanelContentMode mode) = 0;
    // The idle bar setting changed.
    virtual void idleBarHiddenChanged() = 0;
    // Passes an event to the surface state machine and carries out its answer.
    virtual void send(SurfaceEvent event) = 0;
    // The tutorial's model, the panel's own clips list and the pane its embedded settings show.
    virtual OnboardingModel& onboardingModel() = 0;
    virtual ClipsViewModel& clipsViewModel() = 0;
    virtual SettingsNavigation& settingsNavigation() = 0;

    // The player's phase changed (called only for a real change).
    virtual void phaseDidChange(const PlayerViewModel::Phase& phase) = 0;
    // A read was started or loaded into the player: the panel holds a live read again.
    virtual void readAttached() = 0;
    // Closes the panel at once, keeping the read's session.
    virtual void closePanelNow() = 0;
    // A window the user works in finds no room beside the floating surfaces: the panel, when it
    // is down, goes up at once; the tutorial's card stays.
    virtual void makeRoomForWindow() = 0;
    // The settings window was shown, or hidden or minimised: while it shows and the panel is up
    // to make room for it, it shows what the tutorial's steps reveal.
    virtual void settingsWindowShownChanged(bool shown) = 0;

    // Runs on every display tick while a read plays; empty for none.
    virtual void setOnTick(std::function<void()> tick) = 0;
    // Where an opening of the panel lands.
    virtual void setOnOpenLanding(std::function<OpenLanding()> decide) = 0;
    // A paused read went to the idle bar after its idle time-out.
    virtual void setOnSessionParkedOnIdleBar(std::function<void()> park) = 0;
    // Asked when the panel retracts: a read is live on it.
    virtual void setIsReadAttachedToPanel(std::function<bool()> attached) = 0;
};

} // namespace Parlino
