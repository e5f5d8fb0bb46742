#pragma once

#include "Base/NotificationCenter.h"
#include "KeyboardShortcuts/ConflictPolicy.h"
#include "KeyboardShortcuts/LocalEventMonitor.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/RecorderAlerts.h"
#include "KeyboardShortcuts/Shortcut.h"
#include "KeyboardShortcuts/ValidationResult.h"

#include <QLineEdit>

#include <functional>
#include <memory>
#include <optional>

namespace KeyboardShortcuts {

class ShortcutRegistry;

// The field in which the user records a shortcut, shaped like a search field: it shows the
// current shortcut, records while it has the keyboard focus, and its clear button removes the
// shortcut.
//
// Recording starts when the field gets the focus from the user (a click, Tab), never from its
// window becoming active. The next key combination with control, alt (option) or super
// (command), or a function key alone or with shift, is checked against the main menu's
// shortcuts, the desktop's shortcuts and `validateShortcut`; what passes is stored, reported to
// `onChange` and ends the recording. Escape ends it storing nothing, Tab moves on, Delete or
// Backspace clear the shortcut, a click away ends it; any other key beeps. A conflict is put to
// the user in an alert as the conflict policy says; after an alert the field records again.
//
// While it records, the registry runs no shortcut action, and every start and end is posted as
// "KeyboardShortcuts_recorderActiveStatusDidChange" with "isActive".
//
// The shortcut lives under a name in the shortcut storage, or, in binding mode, in the field
// itself. Main thread.
class RecorderControl final : public QLineEdit {
public:
    enum class StorageMode { name, binding };
    using OnChange = std::function<void(const std::optional<Shortcut>&)>;
    using Validator = std::function<ValidationResult(const Shortcut&)>;

    static constexpr int minimumWidth = 130;

    // Records the name's shortcut.
    RecorderControl(ShortcutRegistry& registry, const Name& name, OnChange onChange = {},
                    QWidget* parent = nullptr);
    // Records a shortcut of its own, starting with `initial`.
    RecorderControl(ShortcutRegistry& registry, const std::optional<Shortcut>& initial,
                    OnChange onChange = {}, QWidget* parent = nullptr);
    ~RecorderControl() override;

    StorageMode storageMode() const { return m_storageMode; }
    bool isRecording() const { return m_eventMonitor.isStarted(); }

    const Name& shortcutName() const { return m_shortcutName; }
    // In name mode, another name shows its shortcut.
    void setShortcutName(const Name& name);

    // The name's stored shortcut, or the field's own in binding mode.
    std::optional<Shortcut> currentShortcut() const;
    // Stores the shortcut (none removes it) without calling `onChange`.
    void setCurrentShortcut(const std::optional<Shortcut>& shortcut);

    void setOnChange(OnChange onChange) { m_onChange = std::move(onChange); }
    void setValidateShortcut(Validator validate) { m_validateShortcut = std::move(validate); }
    const ConflictPolicy& conflictPolicy() const { return m_conflictPolicy; }
    void setConflictPolicy(const ConflictPolicy& policy) { m_conflictPolicy = policy; }
    // Dialogs and the bell unless replaced.
    void setAlerts(std::shared_ptr<RecorderAlerts> alerts) { m_alerts = std::move(alerts); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;

private:
    RecorderControl(ShortcutRegistry& registry, StorageMode mode, Name name,
                    std::optional<Shortcut> bindingShortcut, OnChange onChange, QWidget* parent);

    void updateStringValue();
    void startRecording();
    void endRecording();
    void postActiveStatus(bool isActive);

    // Answers true to swallow the event.
    bool handleRecordingEvent(QObject* receiver, QEvent* event);
    bool handleMouseUp(QObject* receiver, const QMouseEvent& event);
    bool handleKey(const QKeyEvent& event);
    bool passesMenuCheck(const Shortcut& shortcut);
    bool passesSystemCheck(const Shortcut& shortcut);
    bool passesValidation(const Shortcut& shortcut);
    bool resolveConflict(Conflict conflict, const QString& message,
                         const QString& informativeText = {});
    int showAlert(const Alert& alert);
    void accept(const Shortcut& shortcut);
    void store(const std::optional<Shortcut>& shortcut);
    void clearByUser();
    void moveFocusOn();
    void beep();

    ShortcutRegistry& m_registry;
    const StorageMode m_storageMode;
    Name m_shortcutName;
    std::optional<Shortcut> m_bindingShortcut;
    OnChange m_onChange;
    Validator m_validateShortcut;
    ConflictPolicy m_conflictPolicy;
    std::shared_ptr<RecorderAlerts> m_alerts;
    std::optional<Shortcut> m_shortcutBeforeRecording;
    // Set while the field is to record again after an alert, even if its window only gives it
    // the focus back when it becomes active again.
    bool m_resumesAfterAlert = false;
    LocalEventMonitor m_eventMonitor;
    Base::NotificationCenter::ObserverToken m_nameObserver;
};

} // namespace KeyboardShortcuts
