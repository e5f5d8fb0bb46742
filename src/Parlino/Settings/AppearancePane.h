#pragma once

#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/StoredChoice.h"

class QCheckBox;

namespace Parlino {

struct SettingsServices;
class DesktopSettings;
class ParlinoTextButton;

// The appearance settings: the transcript's font and capitalisation, and the transparency card,
// whose switch is off and fixed in this build, with the way to the desktop's accessibility
// settings.
class AppearancePane final : public QWidget {
public:
    explicit AppearancePane(const SettingsServices& services, QWidget* parent = nullptr);

    PaneWidgets::ChoicePicker& fontPicker() const { return *m_fontPicker; }
    PaneWidgets::ChoicePicker& casePicker() const { return *m_casePicker; }
    QCheckBox& transparencyToggle() const { return *m_transparency; }
    ParlinoTextButton& accessibilityButton() const { return *m_accessibility; }

private:
    QWidget* appearanceCard();
    QWidget* transparencyCard(const SettingsServices& services);

    StoredChoice m_font;
    StoredChoice m_case;
    DesktopSettings& m_desktopSettings;
    PaneWidgets::ChoicePicker* m_fontPicker = nullptr;
    PaneWidgets::ChoicePicker* m_casePicker = nullptr;
    QCheckBox* m_transparency = nullptr;
    ParlinoTextButton* m_accessibility = nullptr;
};

} // namespace Parlino
