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
// of the three shortcuts, which refuse a combination another one uses, each with a note when
// another application holds its combination, what the media keys do, and a two-press reset of it
// all.
class ShortcutsPane final : public QWidget {
public:
    explicit ShortcutsPane(const SettingsServices& services, QWidget* parent = nullptr);

    ShortcutsPaneModel& model() { return m_model; }

    QWidget& warning() const { return *m_warning; }
    PaneWidgets::ChoicePicker& tapKeyPicker() const { return *m_tapKey; }
    QCheckBox& doubleTapToggle() const { return *m_doubleTap; }
    KeyboardShortcuts::Recorder& recorder(const KeyboardShortcuts::Name& name) const;
    // The note under the name's recorder, shown while another application holds its shortcut.
    QLabel& refusalNote(const KeyboardShortcuts::Name& name) const;
    ArmedActionButton& resetButton() const { return *m_reset; }

private:
    QWidget* readingCard(const SettingsServices& services);
    QWidget* otherShortcutsCard(const SettingsServices& services);
    QWidget* mediaKeysCard();
    // The recorder with its refusal note under it.
    QWidget* makeRecorder(const SettingsServices& services, const QString& title,
                          const QString& actionName, const KeyboardShortcuts::Name& name);
    void refresh();

    ShortcutsPaneModel m_model;
    QLabel* m_description = nullptr;
    QWidget* m_warning = nullptr;
    PaneWidgets::ChoicePicker* m_tapKey = nullptr;
    QLabel* m_toRead = nullptr;
    QCheckBox* m_doubleTap = nullptr;
    QList<KeyboardShortcuts::Recorder*> m_recorders;
    QList<QLabel*> m_refusalNotes; // in the order of m_recorders
    ArmedActionButton* m_reset = nullptr;
};

} // namespace Parlino
