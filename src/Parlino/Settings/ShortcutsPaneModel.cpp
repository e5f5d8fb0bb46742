#include "Parlino/Settings/ShortcutsPaneModel.h"

#include "KeyboardShortcuts/Storage.h"
#include "Parlino/Services/AppShortcutNames.h"
#include "Parlino/Triggers/ShortcutDuplicateRule.h"

namespace Parlino {

namespace {

std::optional<ShortcutCombo> combo(const std::optional<KeyboardShortcuts::Shortcut>& shortcut) {
    if (!shortcut)
        return std::nullopt;
    return ShortcutCombo{shortcut->carbonKeyCode(), shortcut->carbonModifiers()};
}

bool hasReadShortcut() {
    return KeyboardShortcuts::getShortcut(AppShortcutNames::readSelection()).has_value();
}

} // namespace

const QList<ShortcutsPaneModel::LabelledName>& ShortcutsPaneModel::labelledShortcutNames() {
    static const QList<LabelledName> names = [] {
        const QHash<QString, QString> labels{
            {QStringLiteral("readSelection"), QStringLiteral("Read selection")},
            {QStringLiteral("openPanel"), QStringLiteral("Open Parlino")},
            {QStringLiteral("replayLast"), QStringLiteral("Replay last recording")},
        };
        QList<LabelledName> list;
        for (const auto& name : AppShortcutNames::all())
            list.append({name, labels.value(name.rawValue(), name.rawValue())});
        return list;
    }();
    return names;
}

QString ShortcutsPaneModel::tapKeyName(TapModifier modifier) {
    return tapModifierTable.title(modifier);
}

KeyboardShortcuts::ValidationResult
ShortcutsPaneModel::duplicateCheck(const KeyboardShortcuts::Shortcut& shortcut,
                                   const KeyboardShortcuts::Name& recorderName) {
    QList<ShortcutDuplicateRule::Binding> bindings;
    for (const auto& entry : labelledShortcutNames())
        bindings.append({entry.name.rawValue(), entry.label,
                         combo(KeyboardShortcuts::getShortcut(entry.name))});
    const auto message =
        ShortcutDuplicateRule::conflictMessage(*combo(shortcut), recorderName.rawValue(), bindings);
    return message ? KeyboardShortcuts::ValidationResult::disallow(*message)
                   : KeyboardShortcuts::ValidationResult::allow();
}

ShortcutsPaneModel::ShortcutsPaneModel(const SettingsKeys& keys,
                                       const KeyboardShortcuts::ShortcutRegistry& shortcuts,
                                       QObject* parent)
    : QObject(parent), m_keys(keys), m_shortcuts(shortcuts),
      m_tapEnabled(keys.rightCommandTapEnabled), m_tapModifier(keys.tapModifier),
      m_doubleTapReplay(keys.rightCommandDoubleTapReplayEnabled),
      m_isReadShortcutSet(hasReadShortcut()) {
    for (const Defaults::Observable* setting :
         {static_cast<Defaults::Observable*>(&m_tapEnabled),
          static_cast<Defaults::Observable*>(&m_tapModifier),
          static_cast<Defaults::Observable*>(&m_doubleTapReplay)})
        connect(setting, &Defaults::Observable::changed, this, &ShortcutsPaneModel::changed);
    // A refusal comes with a change of the stored shortcut or later, when the desktop drops a
    // hot key; a new shortcut may end one.
    connect(&shortcuts, &KeyboardShortcuts::ShortcutRegistry::refusalsChanged, this,
            &ShortcutsPaneModel::updateRefusalNotes);
    m_shortcutObserver = Base::NotificationCenter::defaultCenter().addObserver(
        KeyboardShortcuts::shortcutByNameDidChange, [this](const auto&) { updateRefusalNotes(); });
    updateRefusalNotes();
}

TapModifier ShortcutsPaneModel::tapModifier() const {
    return m_tapModifier.value() == rawValue(TapModifier::rightOption) ? TapModifier::rightOption
                                                                       : TapModifier::rightCommand;
}

void ShortcutsPaneModel::chooseTapModifier(TapModifier modifier) {
    m_tapModifier.setValue(rawValue(modifier));
}

QString ShortcutsPaneModel::readingDescription() const {
    return QStringLiteral("%1 reads whatever text you've selected. Press it again to pause, and "
                          "again to carry on.")
        .arg(tapKeyName());
}

QString ShortcutsPaneModel::doubleTapTitle() const {
    return QStringLiteral("Double-tap %1").arg(tapKeyName());
}

std::optional<QString> ShortcutsPaneModel::refusalNote(const KeyboardShortcuts::Name& name) const {
    const auto note = m_refusalNotes.constFind(name.rawValue());
    if (note == m_refusalNotes.cend())
        return std::nullopt;
    return *note;
}

void ShortcutsPaneModel::updateRefusalNotes() {
    QHash<QString, QString> notes;
    for (const auto& entry : labelledShortcutNames())
        if (m_shortcuts.isRefused(entry.name))
            notes.insert(entry.name.rawValue(),
                         QStringLiteral("Another application already uses %1, so this shortcut "
                                        "does nothing. Record a different one.")
                             .arg(KeyboardShortcuts::getShortcut(entry.name)->description()));
    if (notes == m_refusalNotes)
        return;
    m_refusalNotes = std::move(notes);
    emit changed();
}

void ShortcutsPaneModel::readShortcutChanged(
    const std::optional<KeyboardShortcuts::Shortcut>& shortcut) {
    setReadShortcutSet(shortcut.has_value());
}

void ShortcutsPaneModel::resetToDefaults() {
    KeyboardShortcuts::reset(AppShortcutNames::all());
    Defaults::set(m_keys.rightCommandTapEnabled, true);
    Defaults::set(m_keys.rightCommandDoubleTapReplayEnabled, true);
    Defaults::set(m_keys.tapModifier, rawValue(TapModifier::rightCommand));
    setReadShortcutSet(hasReadShortcut());
}

void ShortcutsPaneModel::setReadShortcutSet(bool isSet) {
    if (isSet == m_isReadShortcutSet)
        return;
    m_isReadShortcutSet = isSet;
    emit changed();
}

} // namespace Parlino
