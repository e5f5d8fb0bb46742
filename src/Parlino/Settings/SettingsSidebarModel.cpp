#include "Parlino/Settings/SettingsSidebarModel.h"

namespace Parlino {

SettingsSidebarModel::SettingsSidebarModel(SettingsNavigation& navigation,
                                           Base::Scheduler& scheduler,
                                           std::function<void()> terminate)
    : m_navigation(navigation), m_quitArming(scheduler), m_terminate(std::move(terminate)) {}

void SettingsSidebarModel::choose(SettingsPane pane) {
    if (pane != SettingsPane::quit) {
        m_quitArming.disarm();
        m_navigation.setSelection(pane);
        return;
    }
    if (m_quitArming.press() && m_terminate)
        m_terminate();
}

void SettingsSidebarModel::hoverChanged(SettingsPane pane, bool hovering) {
    if (pane == SettingsPane::quit && !hovering)
        m_quitArming.disarm();
}

} // namespace Parlino
