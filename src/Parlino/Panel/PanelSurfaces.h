#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Panel/BubbleGeometryBox.h"
#include "Parlino/Panel/IdleBarGeometryBox.h"
#include "Parlino/Panel/OnboardingGeometryBox.h"
#include "Parlino/Panel/PanelGeometryBox.h"
#include "Parlino/Panel/SurfaceWindow.h"
#include "Parlino/Panel/WarningGeometryBox.h"
#include "Parlino/Services/SurfaceStateMachine.h"

#include <functional>
#include <memory>

namespace Base {
class Clock;
}

namespace Parlino {

class MotionPreferences;
class PlayerViewModel;
class PointerMotion;
class PointerMotionSource;
class ScreenProvider;
struct SettingsKeys;
class TextMeasurer;
class WarningModel;

// Build one surface's window.
using SurfaceWindowFactory = std::function<std::unique_ptr<SurfaceWindow>(SurfaceKind)>;

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

// With Reduce Motion every surface fades in place for this long.
inline constexpr double reducedFade = 0.15;

// The five notch windows, the geometry boxes their views read and the machine that decides which
// shows, with the road back into it: what the panel controller lends the collaborators that
// place, fade, time and present the surfaces. The controller owns everything named here.
struct PanelSurfaces {
    const PanelEnvironment& env;
    PlayerViewModel& viewModel;
    WarningModel& warningModel;
    const SurfaceStateMachine& machine;
    // Passes an event to the machine and carries out its answer.
    std::function<void(SurfaceEvent)> send;

    SurfaceWindow& panel;
    SurfaceWindow& bubble;
    SurfaceWindow& idleBar;
    SurfaceWindow& warning;
    SurfaceWindow& onboarding;

    PanelGeometryBox& panelGeometry;
    BubbleGeometryBox& bubbleGeometry;
    IdleBarGeometryBox& idleBarGeometry;
    WarningGeometryBox& warningGeometry;
    OnboardingGeometryBox& onboardingGeometry;

    SurfaceState::Kind state() const { return machine.state.kind(); }
    // The panel window is down: dropping or at rest, with a read or a card.
    bool panelIsDown() const {
        return state() == SurfaceState::Kind::panel || state() == SurfaceState::Kind::panelDropping;
    }
};

} // namespace Parlino
