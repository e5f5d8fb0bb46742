#include "KeyboardShortcuts/Storage.h"

#include "Base/NotificationCenter.h"

#include <QVariant>

namespace KeyboardShortcuts {

namespace {

HotKeySync*& hotKeySync() {
    static HotKeySync* sync = nullptr;
    return sync;
}

std::shared_ptr<Base::UserDefaults>& chosenStore() {
    static std::shared_ptr<Base::UserDefaults> suite;
    return suite;
}

std::optional<Base::PropertyValue> storedObject(const QString& rawValue) {
    return store().objectForKey(storageKey(rawValue));
}

bool isFalse(const std::optional<Base::PropertyValue>& object) {
    const bool* boolean = object ? object->as<bool>() : nullptr;
    return boolean && !*boolean;
}

// Releases the hot key of what is stored now, before the name's value changes.
void releaseCurrent(const Name& name) {
    if (auto current = getShortcut(name); current && hotKeySync())
        hotKeySync()->unregisterIfUnused(*current, name);
}

// Writes the new value, then brings the hot keys in step and tells the observers.
void write(const Name& name, const std::optional<Base::PropertyValue>& object) {
    releaseCurrent(name);
    if (object)
        store().set(storageKey(name.rawValue()), *object);
    else
        store().remove(storageKey(name.rawValue()));
    if (hotKeySync())
        hotKeySync()->registerIfNeeded(name);
    postShortcutChange(name);
}

} // namespace

void setHotKeySync(HotKeySync* sync) {
    hotKeySync() = sync;
}

void setStore(std::shared_ptr<Base::UserDefaults> suite) {
    chosenStore() = std::move(suite);
}

Base::UserDefaults& store() {
    const auto& suite = chosenStore();
    return suite ? *suite : *Base::UserDefaults::standard();
}

QString storageKey(const QString& rawValue) {
    return storageKeyPrefix + rawValue;
}

StoredShortcut storedShortcut(const Name& name) {
    const auto object = storedObject(name.rawValue());
    if (isFalse(object))
        return StoredShortcut::disabled();
    if (const QString* text = object ? object->as<QString>() : nullptr)
        if (auto shortcut = Shortcut::fromJson(*text))
            return StoredShortcut::of(*shortcut);
    return StoredShortcut::none();
}

std::optional<Shortcut> getShortcut(const Name& name) {
    return storedShortcut(name).shortcut();
}

void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) {
        write(name, shortcut->toJson());
    } else if (name.initialShortcut()) {
        if (!isFalse(storedObject(name.rawValue())))
            write(name, false);
    } else if (storedObject(name.rawValue())) {
        write(name, std::nullopt);
    }
}

void reset(const QList<Name>& names) {
    for (const auto& name : names)
        setShortcut(name.initialShortcut(), name);
}

void storeDefaultIfAbsent(const Shortcut& shortcut, const QString& rawValue) {
    if (!storedObject(rawValue))
        store().set(storageKey(rawValue), shortcut.toJson());
}

QSet<Name> storedShortcutNames() {
    QSet<Name> names;
    const auto values = store().dictionaryRepresentation();
    for (auto it = values.keyBegin(); it != values.keyEnd(); ++it)
        if (it->startsWith(storageKeyPrefix))
            names.insert(Name::fromRawValue(it->mid(storageKeyPrefix.size())));
    return names;
}

void removeAllStoredShortcuts() {
    for (const auto& name : storedShortcutNames())
        setShortcut(std::nullopt, name);
}

void postShortcutChange(const Name& name) {
    Base::NotificationCenter::defaultCenter().post(
        shortcutByNameDidChange, {{QStringLiteral("name"), QVariant::fromValue(name)}});
}

} // namespace KeyboardShortcuts
