#pragma once

#include "Parlino/Panel/Linux/X11ScreenProvider.h"
#include "Parlino/Panel/Linux/XInputPointerMotionSource.h"
#include "Parlino/Panel/TextMeasurer.h"
#include "Parlino/Shell/CompositionRoot.h"
#include "Parlino/Style/MotionPreferences.h"

namespace Parlino {

class PointerMotion;

// The floating panel on the X11 desktop: builds the panel controller of a composition root with
// its five windows and the views they host, over the desktop's screens, the raw pointer motion
// and the fonts' metrics. Lives as long as the root. Main thread only.
class DesktopPanel final {
public:
    DesktopPanel(MotionContext motion, PointerMotion& pointer, const SettingsKeys& keys);

    // The root's panel factory.
    std::unique_ptr<PanelControl> make(CompositionRoot& root);

private:
    X11ScreenProvider m_screens;
    XInputPointerMotionSource m_pointerSource;
    FontMetricsTextMeasurer m_textMeasurer;
    MotionContext m_motion;
    PointerMotion& m_pointer;
    const SettingsKeys& m_keys;
};

} // namespace Parlino
