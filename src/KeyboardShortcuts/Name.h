#pragma once

#include "Base/NotificationCenter.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <QHashFunctions>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// One user-customisable shortcut, identified by its raw value, with an optional default.
// Names compare and hash by raw value alone.
class Name {
public:
    // Declares a name. A default is stored as the name's shortcut when nothing at all is
    // stored for the name yet (a stored shortcut and a switched-off marker both stay).
    explicit Name(QString rawValue, std::optional<Shortcut> initialShortcut = std::nullopt);

    // The name with that raw value and no default; stores nothing.
    static Name fromRawValue(QString rawValue);

    // The name a change notification of this module is about, or none when its user
    // information holds no name under "name".
    static std::optional<Name> fromNotification(const Base::Notification& notification);

    const QString& rawValue() const { return m_rawValue; }
    const std::optional<Shortcut>& initialShortcut() const { return m_initialShortcut; }

    // The stored shortcut; none when nothing usable is stored or it is switched off.
    std::optional<Shortcut> shortcut() const;
    // Stores the shortcut; none switches off a name with a default and removes the stored
    // value of a name without one.
    void setShortcut(const std::optional<Shortcut>& shortcut) const;

    friend bool operator==(const Name& a, const Name& b) { return a.m_rawValue == b.m_rawValue; }

private:
    struct RawValueOnly {};
    Name(QString rawValue, RawValueOnly) : m_rawValue(std::move(rawValue)) {}

    QString m_rawValue;
    std::optional<Shortcut> m_initialShortcut;
};

inline size_t qHash(const Name& name, size_t seed = 0) {
    return ::qHash(name.rawValue(), seed);
}

} // namespace KeyboardShortcuts
