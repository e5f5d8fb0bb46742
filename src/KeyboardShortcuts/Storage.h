#pragma once

#include "Base/UserDefaults.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <QList>
#include <QSet>
#include <QString>

#include <concepts>
#include <memory>
#include <optional>

// The stored shortcuts: one settings key per name, "KeyboardShortcuts_<raw value>", holding the
// shortcut's JSON text, or false when the name has explicitly no shortcut. Nothing is cached:
// every read goes to the settings. All of it runs on the main thread.
namespace KeyboardShortcuts {

inline const QString storageKeyPrefix = QStringLiteral("KeyboardShortcuts_");

// Posted after every change of a stored shortcut, with the changed `Name` under "name".
inline const QString shortcutByNameDidChange =
    QStringLiteral("KeyboardShortcuts_shortcutByNameDidChange");

// What is stored for a name.
class StoredShortcut {
public:
    enum class Kind { shortcut, disabled, none };

    static StoredShortcut of(Shortcut shortcut) { return {Kind::shortcut, shortcut}; }
    static StoredShortcut disabled() { return {Kind::disabled, std::nullopt}; }
    static StoredShortcut none() { return {Kind::none, std::nullopt}; }

    Kind kind() const { return m_kind; }
    // Present exactly for `Kind::shortcut`.
    const std::optional<Shortcut>& shortcut() const { return m_shortcut; }

    friend bool operator==(const StoredShortcut&, const StoredShortcut&) = default;

private:
    StoredShortcut(Kind kind, std::optional<Shortcut> shortcut)
        : m_kind(kind), m_shortcut(shortcut) {}

    Kind m_kind;
    std::optional<Shortcut> m_shortcut;
};

// Keeps the system hot keys in step with the stored shortcuts; the hot-key registry installs
// one. Without it the writers only store and notify.
class HotKeySync {
public:
    virtual ~HotKeySync() = default;
    // Releases the shortcut's hot key unless a name other than `excluding` still needs it.
    virtual void unregisterIfUnused(const Shortcut& shortcut,
                                    const std::optional<Name>& excluding) = 0;
    // Registers the hot key of the name's stored shortcut when the name has live handlers.
    virtual void registerIfNeeded(const Name& name) = 0;
};
void setHotKeySync(HotKeySync* sync);

// The settings suite the shortcuts live in: the standard suite unless another was set.
void setStore(std::shared_ptr<Base::UserDefaults> suite);
Base::UserDefaults& store();

QString storageKey(const QString& rawValue);

// Text that decodes to a shortcut, or false; anything else, including true or text that does
// not decode, reads as none and is left as it is.
StoredShortcut storedShortcut(const Name& name);
std::optional<Shortcut> getShortcut(const Name& name);

// Stores the shortcut and notifies, even when it is already stored. No shortcut stores false for
// a name with a default and removes the key of a name without one; either does nothing when it
// would not change what is stored.
void setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);

// Sets each name back to its default, or clears it when it has none.
void reset(const QList<Name>& names);
template <class... N>
requires(std::same_as<N, Name>&&...) void reset(const N&... names) {
    reset(QList<Name>{names...});
}

// Stores the shortcut under the raw value's key when nothing at all is stored there; registers
// no hot key and posts nothing.
void storeDefaultIfAbsent(const Shortcut& shortcut, const QString& rawValue);

// The names that have something stored, each without a default.
QSet<Name> storedShortcutNames();
// Clears every stored name, removing its key.
void removeAllStoredShortcuts();

void postShortcutChange(const Name& name);

} // namespace KeyboardShortcuts
