#pragma once

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/ModifierFlags.h"

#include <QHashFunctions>
#include <QList>
#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// A shortcut of the desktop: a virtual key code and a modifier mask as the hot-key layer
// reports them, not necessarily normalised.
struct SystemShortcut {
    qint64 keyCode;
    qint64 modifiers;
};

// One key combination: a virtual key code and a normalised modifier mask (only the control,
// option, shift, command and function bits).
class Shortcut {
public:
    Shortcut(Key key, ModifierFlags modifiers = {});
    Shortcut(qint64 carbonKeyCode, qint64 carbonModifiers);

    qint64 carbonKeyCode() const { return m_carbonKeyCode; }
    qint64 carbonModifiers() const { return m_carbonModifiers; }
    Key key() const { return Key(m_carbonKeyCode); }
    ModifierFlags modifiers() const { return modifierFlags(m_carbonModifiers); }

    // The modifiers' names and then the key's name or its character in the current layout,
    // capitalized (U+FFFD when the key has none), joined by "+" as the desktop writes
    // shortcuts: control+shift+S reads "Ctrl+Shift+S". Main thread.
    QString description() const;

    // The character a menu item shows as its key equivalent for this key, or none. Main thread.
    std::optional<QString> keyToCharacter() const;

    // True when a menu item with this key equivalent and modifier mask has this shortcut. An
    // upper-case key equivalent stands for the key with shift. Main thread.
    bool matchesKeyEquivalent(const QString& keyEquivalent, ModifierFlags itemModifiers) const;

    // True when an enabled shortcut of the desktop is this combination. F12 alone never is.
    bool isTakenBySystem(const QList<SystemShortcut>& systemShortcuts) const;

    // The stored form: {"carbonKeyCode":1,"carbonModifiers":4608}. Reading accepts the members in
    // any order and needs both as integers; the mask read is normalised.
    QString toJson() const;
    static std::optional<Shortcut> fromJson(const QString& text);

    friend bool operator==(const Shortcut&, const Shortcut&) = default;

private:
    qint64 m_carbonKeyCode;
    qint64 m_carbonModifiers;
};

inline size_t qHash(const Shortcut& shortcut, size_t seed = 0) {
    return qHashMulti(seed, shortcut.carbonKeyCode(), shortcut.carbonModifiers());
}

} // namespace KeyboardShortcuts
