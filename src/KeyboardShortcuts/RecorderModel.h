#pragma once

#include "Base/NotificationCenter.h"
#include "KeyboardShortcuts/ConflictPolicy.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/RecorderAlerts.h"
#include "KeyboardShortcuts/Shortcut.h"
#include "KeyboardShortcuts/ValidationResult.h"

#include <QObject>

#include <functional>
#include <optional>

class QKeyEvent;

namespace KeyboardShortcuts {

class ShortcutRegistry;

// The rules of recording a shortcut, for the field that shows them. It holds the shortcut, under
// a name in the shortcut storage or, in binding mode, itself; it says what the field shows; and
// while it records it decides what each key does.
//
// A key combination with control, alt (option) or super (command), or a function key alone or
// with shift, is checked against the main menu's shortcuts, the desktop's shortcuts and
// `validateShortcut`; what passes is stored and reported to `onChange`. A conflict is put to
// the user through `presentAlert` as the conflict policy says. Escape records nothing, Tab and
// Shift+Tab move the focus on and back, Delete or Backspace clear the shortcut; any other key is
// refused.
//
// While it records, the registry runs no shortcut action, the window given at the start holds the
// whole keyboard (so that combinations held as hot keys, here or elsewhere, reach the field),
// and every start and end is posted as "KeyboardShortcuts_recorderActiveStatusDidChange" with
// "isActive". Main thread.
class RecorderModel final : public QObject {
    Q_OBJECT

public:
    enum class StorageMode { name, binding };
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;
    using Validator = std::function<ValidationResult(const Shortcut&)>;

    // What the field does after a key.
    enum class KeyOutcome {
        keepRecording, // the key was handled; the field records on
        beep,          // the key cannot be recorded
        moveFocus,     // the recording ends; the key goes on, to move the focus on or back
        finish,        // recorded, or cancelled: the recording ends, the field keeps the focus
    };

    // Records the name's shortcut.
    RecorderModel(ShortcutRegistry& registry, const Name& name, OnChange onChange = {},
                  QObject* parent = nullptr);
    // Records a shortcut of its own, starting with `initial`.
    RecorderModel(ShortcutRegistry& registry, const std::optional<Shortcut>& initial,
                  OnChange onChange = {}, QObject* parent = nullptr);
    ~RecorderModel() override;

    const Name& shortcutName() const { return m_shortcutName; }
    // In name mode, another name shows its shortcut.
    void setShortcutName(const Name& name);

    // The name's stored shortcut, or the model's own in binding mode.
    std::optional<Shortcut> currentShortcut() const;
    // Stores the shortcut (none removes it) without calling `onChange`.
    void setCurrentShortcut(const std::optional<Shortcut>& shortcut);

    // The current shortcut's description; empty without one.
    const QString& text() const { return m_text; }
    // What an empty field asks for: to record, or, while recording, to press a shortcut.
    QString placeholderText() const;

    bool isRecording() const { return m_isRecording; }
    // Both may be called any number of times. `keyboardWindow`, the native id of the field's
    // shown window, takes the keyboard until the recording ends; 0 takes nothing.
    void startRecording(quintptr keyboardWindow = 0);
    void endRecording();

    // A key pressed while recording.
    KeyOutcome handleKey(const QKeyEvent& event);
    // The user emptied the field: the shortcut is removed and reported.
    void clearByUser();

    void setOnChange(OnChange onChange) { m_onChange = std::move(onChange); }
    void setValidateShortcut(Validator validate) { m_validateShortcut = std::move(validate); }
    void setConflictPolicy(const ConflictPolicy& policy) { m_conflictPolicy = policy; }

    // Puts an alert to the user and returns the answer (RecorderAlerts' numbering). The field
    // sets it; without it every alert is answered with its first button. The model may be
    // deleted while the alert is up.
    std::function<int(const Alert&)> presentAlert;

signals:
    void textChanged();
    void isRecordingChanged();

private:
    RecorderModel(ShortcutRegistry& registry, StorageMode mode, Name name,
                  std::optional<Shortcut> bindingShortcut, OnChange onChange, QObject* parent);

    void updateText();
    void setRecording(bool isRecording);
    // True when the shortcut passes every check, after any alerts.
    bool passesChecks(const Shortcut& shortcut);
    bool passesMenuCheck(const Shortcut& shortcut);
    bool passesSystemCheck(const Shortcut& shortcut);
    bool passesValidation(const Shortcut& shortcut);
    bool resolveConflict(Conflict conflict, const QString& message,
                         const QString& informativeText = {});
    int ask(const Alert& alert);
    void accept(const Shortcut& shortcut);
    void store(const std::optional<Shortcut>& shortcut);

    ShortcutRegistry& m_registry;
    const StorageMode m_storageMode;
    Name m_shortcutName;
    std::optional<Shortcut> m_bindingShortcut;
    OnChange m_onChange;
    Validator m_validateShortcut;
    ConflictPolicy m_conflictPolicy;
    QString m_text;
    bool m_isRecording = false;
    bool m_holdsKeyboard = false;
    std::optional<Shortcut> m_shortcutBeforeRecording;
    Base::NotificationCenter::ObserverToken m_nameObserver;
};

} // namespace KeyboardShortcuts
