#include "KeyboardShortcuts/RecorderModel.h"

#include "Base/Log.h"
#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/MenuItemShortcuts.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/Storage.h"
#include "KeyboardShortcuts/Utilities.h"

#include <QAction>
#include <QPointer>
#include <QWidget>

#include <utility>

namespace KeyboardShortcuts {

namespace {

const Base::Log logger{QStringLiteral("shortcuts")};

constexpr qint64 recordingModifiers =
    CarbonModifier::command | CarbonModifier::control | CarbonModifier::option;

} // namespace

RecorderModel::RecorderModel(ShortcutRegistry& registry, const Name& name, OnChange onChange,
                             QObject* parent)
    : RecorderModel(registry, StorageMode::name, name, std::nullopt, std::move(onChange), parent) {
    m_nameObserver = Base::NotificationCenter::defaultCenter().addObserver(
        shortcutByNameDidChange, [this](const Base::Notification& notification) {
            if (Name::fromNotification(notification) == m_shortcutName)
                updateText();
        });
}

RecorderModel::RecorderModel(ShortcutRegistry& registry, const std::optional<Shortcut>& initial,
                             OnChange onChange, QObject* parent)
    : RecorderModel(registry, StorageMode::binding, Name::fromRawValue(QString()), initial,
                    std::move(onChange), parent) {}

RecorderModel::RecorderModel(ShortcutRegistry& registry, StorageMode mode, Name name,
                             std::optional<Shortcut> bindingShortcut, OnChange onChange,
                             QObject* parent)
    : QObject(parent), m_registry(registry), m_storageMode(mode), m_shortcutName(std::move(name)),
      m_bindingShortcut(bindingShortcut), m_onChange(std::move(onChange)) {
    const auto shortcut = currentShortcut();
    m_text = shortcut ? shortcut->description() : QString();
}

// Its listeners may be going too, so they hear nothing; the registry and the notification do.
RecorderModel::~RecorderModel() {
    blockSignals(true);
    endRecording();
}

void RecorderModel::setShortcutName(const Name& name) {
    m_shortcutName = name;
    if (m_storageMode == StorageMode::name)
        updateText();
}

std::optional<Shortcut> RecorderModel::currentShortcut() const {
    return m_storageMode == StorageMode::name ? getShortcut(m_shortcutName) : m_bindingShortcut;
}

void RecorderModel::setCurrentShortcut(const std::optional<Shortcut>& shortcut) {
    if (shortcut != currentShortcut())
        store(shortcut);
}

QString RecorderModel::placeholderText() const {
    return localized(m_isRecording ? QStringLiteral("press_shortcut")
                                   : QStringLiteral("record_shortcut"));
}

void RecorderModel::updateText() {
    const auto shortcut = currentShortcut();
    QString text = shortcut ? shortcut->description() : QString();
    if (text == m_text)
        return;
    m_text = std::move(text);
    emit textChanged();
}

void RecorderModel::startRecording(quintptr keyboardWindow) {
    if (m_isRecording)
        return;
    m_shortcutBeforeRecording = currentShortcut();
    if (keyboardWindow != 0) {
        m_holdsKeyboard = m_registry.center().system().grabKeyboard(keyboardWindow);
        if (!m_holdsKeyboard)
            logger.notice("recorder: the keyboard is held elsewhere; hot keys are not recorded");
    }
    setRecording(true);
}

void RecorderModel::endRecording() {
    if (!m_isRecording)
        return;
    m_shortcutBeforeRecording.reset();
    if (std::exchange(m_holdsKeyboard, false))
        m_registry.center().system().releaseKeyboard();
    setRecording(false);
}

void RecorderModel::setRecording(bool isRecording) {
    m_isRecording = isRecording;
    m_registry.setPaused(isRecording);
    Base::NotificationCenter::defaultCenter().post(recorderActiveStatusDidChange,
                                                   {{QStringLiteral("isActive"), isRecording}});
    emit isRecordingChanged();
}

RecorderModel::KeyOutcome RecorderModel::handleKey(const QKeyEvent& event) {
    const auto key = m_registry.center().system().keyEvent(event);
    if (!key)
        return KeyOutcome::beep;
    const Key pressed(key->keyCode);
    // The combination is still being held down; its key comes next.
    if (isModifierKey(pressed))
        return KeyOutcome::keepRecording;
    const qint64 modifiers = normalizedCarbonModifiers(key->carbonModifiers);
    if (pressed == Key::tab && (modifiers & ~CarbonModifier::shift) == 0)
        return KeyOutcome::moveFocus;
    if (modifiers == 0) {
        if (pressed == Key::escape)
            return KeyOutcome::finish;
        if (pressed == Key::deleteKey || pressed == Key::deleteForward) {
            if (currentShortcut())
                clearByUser();
            return KeyOutcome::keepRecording;
        }
    }
    if (!(modifiers & recordingModifiers) && !isFunctionKey(pressed))
        return KeyOutcome::beep;
    const Shortcut shortcut(key->keyCode, modifiers & ~CarbonModifier::function);
    if (!passesChecks(shortcut))
        return KeyOutcome::keepRecording;
    accept(shortcut);
    return KeyOutcome::finish;
}

// Each check stops at a refusal, so nothing is touched after an alert during which the model
// went away.
bool RecorderModel::passesChecks(const Shortcut& shortcut) {
    return passesMenuCheck(shortcut) && passesSystemCheck(shortcut) && passesValidation(shortcut);
}

bool RecorderModel::passesMenuCheck(const Shortcut& shortcut) {
    const QWidget* menu = mainMenu();
    if (!menu)
        return true;
    // Recording the shortcut a name already has does not clash with its own menu item.
    const bool isUnchanged =
        m_storageMode == StorageMode::name && m_shortcutBeforeRecording == shortcut;
    for (const QAction* action : actionsUsing(shortcut, menu->actions())) {
        if (isUnchanged && boundName(*action) == m_shortcutName)
            continue;
        const QString message = localized(QStringLiteral("keyboard_shortcut_used_by_menu_item"))
                                    .arg(action->iconText());
        return resolveConflict(Conflict::menuItem, message);
    }
    return true;
}

bool RecorderModel::passesSystemCheck(const Shortcut& shortcut) {
    if (!m_registry.center().isTakenBySystem(shortcut))
        return true;
    return resolveConflict(Conflict::systemShortcut,
                           localized(QStringLiteral("keyboard_shortcut_used_by_system")),
                           localized(QStringLiteral("keyboard_shortcuts_can_be_changed")));
}

bool RecorderModel::passesValidation(const Shortcut& shortcut) {
    if (!m_validateShortcut)
        return true;
    const ValidationResult result = m_validateShortcut(shortcut);
    if (result.isAllowed())
        return true;
    ask({result.reason(), {}, {}});
    return false;
}

bool RecorderModel::resolveConflict(Conflict conflict, const QString& message,
                                    const QString& informativeText) {
    switch (m_conflictPolicy.resolution(conflict)) {
    case ConflictResolution::take:
        return true;
    case ConflictResolution::refuse:
        ask({message, informativeText, {}});
        return false;
    case ConflictResolution::askToForce:
        break;
    }
    const QStringList buttons{localized(QStringLiteral("ok")),
                              localized(QStringLiteral("force_use_shortcut"))};
    return ask({message, informativeText, buttons}) == RecorderAlerts::firstButtonResponse + 1;
}

// Answers as the first button when the model went away while the alert was up.
int RecorderModel::ask(const Alert& alert) {
    if (!presentAlert)
        return RecorderAlerts::firstButtonResponse;
    const QPointer self(this);
    const auto present = presentAlert; // the alert may replace or destroy it
    const int response = present(alert);
    return self ? response : RecorderAlerts::firstButtonResponse;
}

void RecorderModel::accept(const Shortcut& shortcut) {
    store(shortcut);
    if (m_onChange)
        m_onChange(shortcut);
}

void RecorderModel::store(const std::optional<Shortcut>& shortcut) {
    if (m_storageMode == StorageMode::name)
        setShortcut(shortcut, m_shortcutName);
    else
        m_bindingShortcut = shortcut;
    updateText();
}

void RecorderModel::clearByUser() {
    store(std::nullopt);
    if (m_onChange)
        m_onChange(std::nullopt);
}

} // namespace KeyboardShortcuts
