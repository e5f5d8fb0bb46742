#pragma once

#include "Parlino/Panel/Linux/X11ScreenProvider.h"
#include "Parlino/Panel/Linux/XInputPointerMotionSource.h"
#include "Parlino/Panel/PanelView.h"
#include "Parlino/Panel/TextMeasurer.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Shell/CompositionRoot.h"
#include "Parlino/Style/MotionPreferences.h"

namespace Parlino {

class PanelController;
class PointerMotion;

// The floating panel on the X11 desktop: builds the panel controller of a composition root with
// its five windows and the views they host, over the desktop's screens, the raw pointer motion
// and the fonts' metrics. Lives as long as the root. Main thread only.
class DesktopPanel final {
public:
    DesktopPanel(MotionContext motion, PointerMotion& pointer, const SettingsKeys& keys);

    // The root's panel factory.
    std::unique_ptr<PanelControl> make(CompositionRoot& root);
    // Where the reading panel's embedded pages find the settings' services; set before the root
    // makes the panel. Without them the panel shows no settings, clips or voices pages.
    void setSettingsServices(std::function<std::optional<SettingsServices>()> services) {
        m_settingsServices = std::move(services);
    }

private:
    PanelViewServices panelServices(CompositionRoot& root, PanelController& controller) const;

    X11ScreenProvider m_screens;
    XInputPointerMotionSource m_pointerSource;
    FontMetricsTextMeasurer m_textMeasurer;
    MotionContext m_motion;
    PointerMotion& m_pointer;
    const SettingsKeys& m_keys;
    std::function<std::optional<SettingsServices>()> m_settingsServices;
};

} // namespace Parlino
