#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

namespace KeyboardShortcuts {

// A key without a printable character: Return, the arrows, F1 to F20, the keypad keys, ...
// Its text comes from this table, never from the keyboard layout.
class SpecialKey {
public:
    // The special key with that virtual key code, or null.
    static const SpecialKey* find(qint64 keyCode);

    qint64 keyCode() const { return m_keyCode; }
    // The key's name in a shortcut's description; for Space its localized name, which the
    // description capitalizes.
    QString descriptionName() const;
    // The character a menu item shows as the key's key equivalent; none for keypad keys.
    std::optional<QString> menuCharacter() const;

    constexpr SpecialKey(qint64 keyCode, const char16_t* name, const char16_t* menuCharacter)
        : m_keyCode(keyCode), m_name(name), m_menuCharacter(menuCharacter) {}

private:
    qint64 m_keyCode;
    const char16_t* m_name;          // null for Space, whose name is localized
    const char16_t* m_menuCharacter; // null when there is none
};

} // namespace KeyboardShortcuts
