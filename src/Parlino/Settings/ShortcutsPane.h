#pragma once

#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/ShortcutsPaneModel.h"

class QCheckBox;

namespace KeyboardShortcuts {
class Recorder;
}

namespace Parlino {

struct SettingsServices;
class ArmedActionButton;

// The shortcut settings: the tap of a right-hand modifier key and its double tap, the recorders
// of the three shortcuts, which refuse a combination another one uses, what the media keys do,
// and a two-press reset of it all.
class ShortcutsPane final : public QWidget {
public:
    explicit ShortcutsPane(const SettingsServices& services, QWidget* parent = nullptr);

    ShortcutsPaneModel& model() { return m_model; }

    QWidget& warning() const { return *m_warning; }
    PaneWidgets::ChoicePicker& tapKeyPicker() const { return *m_tapKey; }
    QCheckBox& doubleTapToggle() const { return *m_doubleTap; }
    KeyboardShortcuts::Recorder& recorder(const KeyboardShortcuts::Name& name) const;
    ArmedActionButton& resetButton() const { return *m_reset; }

private:
    QWidget* readingCard(const SettingsServices& services);
    QWidget* otherShortcutsCard(const SettingsServices& services);
    QWidget* mediaKeysCard();
    KeyboardShortcuts::Recorder* makeRecorder(const SettingsServices& services,
                                              const QString& title,
                                              const KeyboardShortcuts::Name& name);
    void refresh();

    ShortcutsPaneModel m_model;
    QLabel* m_description = nullptr;
    QWidget* m_warning = nullptr;
    PaneWidgets::ChoicePicker* m_tapKey = nullptr;
    QLabel* m_toRead = nullptr;
    QCheckBox* m_doubleTap = nullptr;
    QList<KeyboardShortcuts::Recorder*> m_recorders;
    ArmedActionButton* m_reset = nullptr;
};

} // namespace Parlino
