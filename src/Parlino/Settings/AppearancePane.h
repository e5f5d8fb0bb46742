#pragma once

#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/StoredChoice.h"

class QCheckBox;

namespace Parlino {

struct SettingsServices;

// The appearance settings: the transcript's font and capitalisation, and the transparency card,
// whose switch is off and fixed in this build. The desktop has no transparency setting of its
// own for the card to point to.
class AppearancePane final : public QWidget {
public:
    explicit AppearancePane(const SettingsServices& services, QWidget* parent = nullptr);

    PaneWidgets::ChoicePicker& fontPicker() const { return *m_fontPicker; }
    PaneWidgets::ChoicePicker& casePicker() const { return *m_casePicker; }
    QCheckBox& transparencyToggle() const { return *m_transparency; }

private:
    QWidget* appearanceCard();
    QWidget* transparencyCard();

    StoredChoice m_font;
    StoredChoice m_case;
    PaneWidgets::ChoicePicker* m_fontPicker = nullptr;
    PaneWidgets::ChoicePicker* m_casePicker = nullptr;
    QCheckBox* m_transparency = nullptr;
};

} // namespace Parlino
