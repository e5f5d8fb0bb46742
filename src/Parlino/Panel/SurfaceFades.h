#pragma once

#include "Parlino/Panel/PanelSurfaces.h"

#include <array>

namespace Parlino {

class SurfaceTimers;

// The windows that fade out before they are ordered out.
enum class FadingWindow { bubble, panel, idleBar };

// Orders the bubble, the panel and the idle bar out, at once or once their fade has played. A
// window presented again calls off its pending order-out. Main thread only.
class SurfaceFades {
public:
    SurfaceFades(const PanelSurfaces& surfaces, SurfaceTimers& timers);

    void orderOutNow(FadingWindow window);
    // At once, unless its fade is still playing (it then goes when the fade ends).
    void orderOutUnlessFading(FadingWindow window);
    // Once its fade has played, unless it is presented again meanwhile.
    void orderOutAfterFade(FadingWindow window, double seconds);
    // The window is shown again: its pending order-out is called off.
    void cancel(FadingWindow window);

private:
    struct Fade {
        bool pending = false;
        qint64 generation = 0;
        Base::ScheduledTask job;
    };
    Fade& fade(FadingWindow window) { return m_fades[size_t(window)]; }

    const PanelSurfaces& m_surfaces;
    SurfaceTimers& m_timers;
    std::array<Fade, 3> m_fades;
};

} // namespace Parlino
