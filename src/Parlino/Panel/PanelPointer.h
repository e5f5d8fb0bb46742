#pragma once

#include "Parlino/Panel/PanelSurfaces.h"

namespace Parlino {

class SurfacePlacement;
class SurfaceTimers;

// Follows the pointer while the panel is down. Near the panel (its visible sheet and 38 pt
// around it) the panel stays and a menu open's pin ends; away from it the close grace starts.
// Away from the visible sheet, clicks go through the panel's window to the window below.
// Main thread only.
class PanelPointer {
public:
    PanelPointer(const PanelSurfaces& surfaces, SurfacePlacement& placement, SurfaceTimers& timers);
    ~PanelPointer();
    PanelPointer(const PanelPointer&) = delete;
    PanelPointer& operator=(const PanelPointer&) = delete;

    void startWatching();
    void stopWatching();

    void setPanelIgnoresMouse(bool ignores);
    // Lets clicks through where the pointer is now, away from the visible sheet.
    void updateClickThrough();
    // The panel was opened from the menu, a shortcut or the tutorial: it stays pinned until the
    // pointer first comes near.
    void armMenuOpenPin() { m_menuOpenPinArmed = true; }

private:
    void pointerMoved();

    const PanelSurfaces& m_surfaces;
    SurfacePlacement& m_placement;
    SurfaceTimers& m_timers;
    bool m_watching = false;
    bool m_menuOpenPinArmed = false;
};

} // namespace Parlino
