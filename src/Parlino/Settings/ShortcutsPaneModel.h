#pragma once

#include "Base/NotificationCenter.h"
#include "Defaults/Default.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/ValidationResult.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Triggers/TapModifier.h"

#include <QList>

namespace Parlino {

// What the shortcuts settings show and change: the tap of a right-hand modifier key and its
// double tap, the three named shortcuts with their duplicate check and the note on a shortcut
// that another application holds, and the reset of all of it.
// The tap settings are read afresh on every question; whether the read shortcut is set is a
// snapshot that only its own recorder and the reset update. Main thread.
class ShortcutsPaneModel final : public QObject {
    Q_OBJECT

public:
    struct LabelledName {
        KeyboardShortcuts::Name name;
        QString label;
    };
    // The application's shortcuts in their order, each with the name the user sees.
    static const QList<LabelledName>& labelledShortcutNames();

    // "Right Super" or "Right Alt".
    static QString tapKeyName(TapModifier modifier);

    // Refuses a combination that another of the application's shortcuts already uses, naming
    // it; the recorder's own name never conflicts with itself.
    static KeyboardShortcuts::ValidationResult
    duplicateCheck(const KeyboardShortcuts::Shortcut& shortcut,
                   const KeyboardShortcuts::Name& recorderName);

    ShortcutsPaneModel(const SettingsKeys& keys,
                       const KeyboardShortcuts::ShortcutRegistry& shortcuts,
                       QObject* parent = nullptr);

    bool tapEnabled() const { return m_tapEnabled.value(); }
    // rightOption when the setting says so, rightCommand for any other stored value.
    TapModifier tapModifier() const;
    void chooseTapModifier(TapModifier modifier);

    QString tapKeyName() const { return tapKeyName(tapModifier()); }
    QString readingDescription() const;
    QString doubleTapTitle() const;

    bool isReadShortcutSet() const { return m_isReadShortcutSet; }
    // The read shortcut's recorder changed it.
    void readShortcutChanged(const std::optional<KeyboardShortcuts::Shortcut>& shortcut);
    // Why the name's shortcut does nothing: the desktop refused it because another application
    // holds the combination. None while it works or while no shortcut is set.
    std::optional<QString> refusalNote(const KeyboardShortcuts::Name& name) const;

    // Neither the tap nor the read shortcut can start a read.
    bool showsNothingCanStartWarning() const { return !m_isReadShortcutSet && !tapEnabled(); }

    // The three shortcuts back to their defaults, and the tap, its key and the double tap on.
    void resetToDefaults();

signals:
    // After any change of what the pane shows.
    void changed();

private:
    void setReadShortcutSet(bool isSet);
    void updateRefusalNotes();

    const SettingsKeys& m_keys;
    const KeyboardShortcuts::ShortcutRegistry& m_shortcuts;
    Base::NotificationCenter::ObserverToken m_shortcutObserver;
    QHash<QString, QString> m_refusalNotes; // by the name's raw value
    Defaults::Default<bool> m_tapEnabled;
    Defaults::Default<QString> m_tapModifier;
    Defaults::Default<bool> m_doubleTapReplay;
    bool m_isReadShortcutSet;
};

} // namespace Parlino
