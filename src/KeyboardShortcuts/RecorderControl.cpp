#include "KeyboardShortcuts/RecorderControl.h"

#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/MenuItemShortcuts.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/Storage.h"
#include "KeyboardShortcuts/Utilities.h"

#include <QAction>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>

namespace KeyboardShortcuts {

namespace {

// How far outside its edge a click still belongs to the field.
constexpr int clickSlop = 3;

constexpr qint64 recordingModifiers =
    CarbonModifier::command | CarbonModifier::control | CarbonModifier::option;

} // namespace

RecorderControl::RecorderControl(ShortcutRegistry& registry, const Name& name, OnChange onChange,
                                 QWidget* parent)
    : RecorderControl(registry, StorageMode::name, name, std::nullopt, std::move(onChange),
                      parent) {
    m_nameObserver = Base::NotificationCenter::defaultCenter().addObserver(
        shortcutByNameDidChange, [this](const Base::Notification& notification) {
            if (Name::fromNotification(notification) == m_shortcutName)
                updateStringValue();
        });
}

RecorderControl::RecorderControl(ShortcutRegistry& registry, const std::optional<Shortcut>& initial,
                                 OnChange onChange, QWidget* parent)
    : RecorderControl(registry, StorageMode::binding, Name::fromRawValue(QString()), initial,
                      std::move(onChange), parent) {}

RecorderControl::RecorderControl(ShortcutRegistry& registry, StorageMode mode, Name name,
                                 std::optional<Shortcut> bindingShortcut, OnChange onChange,
                                 QWidget* parent)
    : QLineEdit(parent), m_registry(registry), m_storageMode(mode), m_shortcutName(std::move(name)),
      m_bindingShortcut(bindingShortcut), m_onChange(std::move(onChange)),
      m_alerts(std::make_shared<DialogRecorderAlerts>()),
      m_eventMonitor({QEvent::KeyPress, QEvent::MouseButtonRelease},
                     [this](QObject* receiver, QEvent* event) {
                         return handleRecordingEvent(receiver, event);
                     }) {
    setPlaceholderText(localized(QStringLiteral("record_shortcut")));
    setAlignment(Qt::AlignCenter);
    setClearButtonEnabled(true);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
        if (text.isEmpty())
            clearByUser();
    });
    updateStringValue();
}

RecorderControl::~RecorderControl() {
    if (isRecording())
        endRecording();
}

void RecorderControl::setShortcutName(const Name& name) {
    const bool differs = name.rawValue() != m_shortcutName.rawValue();
    m_shortcutName = name;
    if (differs && m_storageMode == StorageMode::name)
        updateStringValue();
}

std::optional<Shortcut> RecorderControl::currentShortcut() const {
    return m_storageMode == StorageMode::name ? getShortcut(m_shortcutName) : m_bindingShortcut;
}

void RecorderControl::setCurrentShortcut(const std::optional<Shortcut>& shortcut) {
    if (shortcut == currentShortcut())
        return;
    store(shortcut);
    updateStringValue();
}

QSize RecorderControl::sizeHint() const {
    return {minimumWidth, QLineEdit::sizeHint().height()};
}

void RecorderControl::updateStringValue() {
    const auto shortcut = currentShortcut();
    setText(shortcut ? shortcut->description() : QString());
}

void RecorderControl::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    const bool resumes = std::exchange(m_resumesAfterAlert, false);
    // The window hands its first field the focus when it becomes active; that is no request
    // to record.
    if (event->reason() == Qt::ActiveWindowFocusReason && !resumes) {
        clearFocus();
        return;
    }
    startRecording();
}

void RecorderControl::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    endRecording();
    // A window that comes back gives the focus to its first field, not back to this one.
    if (event->reason() == Qt::ActiveWindowFocusReason)
        clearFocus();
}

void RecorderControl::hideEvent(QHideEvent* event) {
    QLineEdit::hideEvent(event);
    endRecording();
}

// Keys reach the field only while it does not record; they type nothing.
void RecorderControl::keyPressEvent(QKeyEvent* event) {
    event->ignore();
}

void RecorderControl::inputMethodEvent(QInputMethodEvent* event) {
    event->ignore();
}

void RecorderControl::startRecording() {
    if (isRecording())
        return;
    setPlaceholderText(localized(QStringLiteral("press_shortcut")));
    m_shortcutBeforeRecording = currentShortcut();
    m_registry.setPaused(true);
    postActiveStatus(true);
    m_eventMonitor.start();
}

void RecorderControl::endRecording() {
    m_eventMonitor.stop();
    setPlaceholderText(localized(QStringLiteral("record_shortcut")));
    m_shortcutBeforeRecording.reset();
    m_registry.setPaused(false);
    postActiveStatus(false);
}

void RecorderControl::postActiveStatus(bool isActive) {
    Base::NotificationCenter::defaultCenter().post(recorderActiveStatusDidChange,
                                                   {{QStringLiteral("isActive"), isActive}});
}

bool RecorderControl::handleRecordingEvent(QObject* receiver, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease)
        return handleMouseUp(receiver, *static_cast<QMouseEvent*>(event));
    return handleKey(*static_cast<QKeyEvent*>(event));
}

bool RecorderControl::handleMouseUp(QObject* receiver, const QMouseEvent& event) {
    const QPoint position = mapFromGlobal(event.globalPosition().toPoint());
    if (!rect().adjusted(-clickSlop, -clickSlop, clickSlop, clickSlop).contains(position)) {
        clearFocus();
        return false;
    }
    // The clear button is a child of the field and acts on the release.
    const auto* widget = qobject_cast<const QWidget*>(receiver);
    return !(widget && widget != this && isAncestorOf(widget));
}

bool RecorderControl::handleKey(const QKeyEvent& event) {
    const auto key = m_registry.center().system().keyEvent(event);
    if (!key) {
        beep();
        return true;
    }
    const qint64 modifiers = normalizedCarbonModifiers(key->carbonModifiers);
    if (modifiers == 0) {
        if (Key(key->keyCode) == Key::tab) {
            moveFocusOn();
            return true;
        }
        if (Key(key->keyCode) == Key::deleteKey || Key(key->keyCode) == Key::deleteForward) {
            if (!text().isEmpty()) {
                clear();
                clearByUser();
            }
            return true;
        }
        if (Key(key->keyCode) == Key::escape) {
            clearFocus();
            return true;
        }
    }
    if (!(modifiers & recordingModifiers) && !isFunctionKey(Key(key->keyCode))) {
        beep();
        return true;
    }
    const Shortcut shortcut(key->keyCode, modifiers & ~CarbonModifier::function);
    if (passesMenuCheck(shortcut) && passesSystemCheck(shortcut) && passesValidation(shortcut))
        accept(shortcut);
    return true;
}

bool RecorderControl::passesMenuCheck(const Shortcut& shortcut) {
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

bool RecorderControl::passesSystemCheck(const Shortcut& shortcut) {
    if (!m_registry.center().isTakenBySystem(shortcut))
        return true;
    return resolveConflict(Conflict::systemShortcut,
                           localized(QStringLiteral("keyboard_shortcut_used_by_system")),
                           localized(QStringLiteral("keyboard_shortcuts_can_be_changed")));
}

bool RecorderControl::passesValidation(const Shortcut& shortcut) {
    if (!m_validateShortcut)
        return true;
    const ValidationResult result = m_validateShortcut(shortcut);
    if (result.isAllowed())
        return true;
    showAlert({result.reason(), {}, {}});
    return false;
}

bool RecorderControl::resolveConflict(Conflict conflict, const QString& message,
                                      const QString& informativeText) {
    switch (m_conflictPolicy.resolution(conflict)) {
    case ConflictResolution::take:
        return true;
    case ConflictResolution::refuse:
        showAlert({message, informativeText, {}});
        return false;
    case ConflictResolution::askToForce:
        break;
    }
    const QStringList buttons{localized(QStringLiteral("ok")),
                              localized(QStringLiteral("force_use_shortcut"))};
    return showAlert({message, informativeText, buttons}) ==
           RecorderAlerts::firstButtonResponse + 1;
}

// Answers as the first button when the field went away while the alert was up.
int RecorderControl::showAlert(const Alert& alert) {
    clearFocus();
    const QPointer self(this);
    const auto alerts = m_alerts; // the alert may replace them
    const int response = alerts->run(alert, window());
    if (!self)
        return RecorderAlerts::firstButtonResponse;
    m_resumesAfterAlert = true;
    setFocus(Qt::OtherFocusReason);
    return response;
}

void RecorderControl::accept(const Shortcut& shortcut) {
    setText(shortcut.description());
    store(shortcut);
    if (m_onChange)
        m_onChange(shortcut);
    clearFocus();
}

void RecorderControl::store(const std::optional<Shortcut>& shortcut) {
    if (m_storageMode == StorageMode::name)
        setShortcut(shortcut, m_shortcutName);
    else
        m_bindingShortcut = shortcut;
}

// The text was emptied through the clear button or by Delete.
void RecorderControl::clearByUser() {
    store(std::nullopt);
    if (m_onChange)
        m_onChange(std::nullopt);
    setFocus(Qt::OtherFocusReason);
}

void RecorderControl::moveFocusOn() {
    focusNextPrevChild(true);
    if (hasFocus())
        clearFocus();
}

void RecorderControl::beep() {
    m_alerts->beep();
}

} // namespace KeyboardShortcuts
