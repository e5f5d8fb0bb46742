#pragma once

#include "Parlino/Panel/PanelSurfaces.h"
#include "Parlino/Services/PlayerViewModel.h"

#include <functional>
#include <optional>

namespace Parlino {

class SurfacePlacement;

// The surfaces' timers: a failure card's dwell, a finished read's linger in the bubble, a paused
// or stalled read's idle time-out in the bubble and the close grace after the pointer has left
// the panel. Every delay is a scheduled job whose guard (a generation, the phase, the state)
// makes a late firing harmless: a timer armed for an earlier appearance of its window does
// nothing. Main thread only.
class SurfaceTimers {
public:
    // `parkSession` runs when a paused read leaves the bubble for the idle bar.
    SurfaceTimers(const PanelSurfaces& surfaces, SurfacePlacement& placement,
                  std::function<void()> parkSession);

    // An auto-dismissing failure card hides the read after a while, unless the phase moved on.
    void armDwell(const PlayerViewModel::Phase& phase);

    // A finished read stays a second in the bubble before the surfaces go home.
    void armBubbleFinishLinger();
    void disarmFinishLinger();
    bool isFinishLingerArmed() const { return m_finishLingerArmed.has_value(); }

    // A stalled or paused read in the bubble goes back to the idle bar after a while; every
    // phase change and every command counts from zero again.
    void armBubbleIdleTimeout();

    // The pointer left the panel's margin: unless it comes back in time, the panel closes.
    void armCloseGrace();
    void disarmCloseGrace();

    // The bubble or the panel window appeared anew or went: timers armed before lapse.
    void bubbleAppeared() { ++m_bubbleGeneration; }
    void panelAppeared() { ++m_panelGeneration; }

private:
    void closeGraceFired();

    const PanelSurfaces& m_surfaces;
    SurfacePlacement& m_placement;
    std::function<void()> m_parkSession;

    qint64 m_bubbleGeneration = 0;
    qint64 m_panelGeneration = 0;
    std::optional<qint64> m_closeGraceArmed;
    std::optional<qint64> m_finishLingerArmed;

    Base::ScheduledTask m_dwellTask;
    Base::ScheduledTask m_bubbleFinishLingerTask;
    Base::ScheduledTask m_bubbleIdleTimeoutTask;
    Base::ScheduledTask m_mouseLeftPanelDebounce;
};

} // namespace Parlino
