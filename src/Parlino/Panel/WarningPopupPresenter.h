#pragma once

#include "Parlino/Panel/PanelSurfaces.h"

namespace Parlino {

class SurfaceFades;
class SurfacePlacement;

// The warning pill under the top edge (usage low, no key). A tap on the panel's warning row sends
// the surfaces home and presents the pill once the idle bar is back; its buttons slide it away;
// any later surface command removes it at once. Main thread only.
class WarningPopupPresenter {
public:
    WarningPopupPresenter(const PanelSurfaces& surfaces, SurfacePlacement& placement,
                          SurfaceFades& fades);

    // From the idle bar the pill shows at once; otherwise after the surfaces have gone home.
    void schedule();
    // Slides the pill up and orders it out; `close` also silences the warning for the run.
    void retract(bool close);
    // A surface command: the pill goes at once, and a waiting presentation or retraction with it.
    void forceHide();
    // The surface machine has taken an event: a pill waiting for the idle bar shows once it is
    // back, and not at all when the surfaces went elsewhere.
    void surfacesMoved();
    // The read wants its surface again: a pill still waiting for the idle bar is not shown.
    void callOff();
    bool isPresented() const { return m_presented; }

private:
    void present();

    const PanelSurfaces& m_surfaces;
    SurfacePlacement& m_placement;
    SurfaceFades& m_fades;
    bool m_presented = false;
    bool m_presentOnReturn = false;
    Base::ScheduledTask m_presentationTask;
    Base::ScheduledTask m_retractTask;
};

} // namespace Parlino
