#pragma once

#include "Parlino/Settings/SettingsNavigation.h"
#include "Parlino/Style/TwoPressArming.h"

#include <functional>

namespace Parlino {

// What the settings sidebar's rows do. Choosing a section selects it; the Quit row arms on its
// first press and calls `terminate` on the second. Choosing another row, the pointer leaving
// the Quit row and the sidebar going out of sight disarm it. Main thread only.
class SettingsSidebarModel {
public:
    SettingsSidebarModel(SettingsNavigation& navigation, Base::Scheduler& scheduler,
                         std::function<void()> terminate);

    SettingsNavigation& navigation() const { return m_navigation; }
    const TwoPressArming& quitArming() const { return m_quitArming; }

    void choose(SettingsPane pane);
    void hoverChanged(SettingsPane pane, bool hovering);
    void disarm() { m_quitArming.disarm(); }

private:
    SettingsNavigation& m_navigation;
    TwoPressArming m_quitArming;
    std::function<void()> m_terminate;
};

} // namespace Parlino
