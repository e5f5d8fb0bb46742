#include "Parlino/Settings/SettingsNavigation.h"

namespace Parlino {

void SettingsNavigation::setSelection(SettingsPane pane) {
    if (pane == m_selection)
        return;
    m_selection = pane;
    emit selectionChanged();
}

} // namespace Parlino
