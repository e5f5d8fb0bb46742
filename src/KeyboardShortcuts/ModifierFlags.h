#pragma once

#include <QFlags>
#include <QStringList>
#include <QtGlobal>

namespace KeyboardShortcuts {

// The modifier flags of a key event, with the bit values the stored shortcuts were defined
// with. Command is the Super key on Linux and Option the Alt key.
enum class ModifierFlag : quint32 {
    capsLock = 0x10000,
    shift = 0x20000,
    control = 0x40000,
    option = 0x80000,
    command = 0x100000,
    numericPad = 0x200000,
    help = 0x400000,
    function = 0x800000,
};
Q_DECLARE_FLAGS(ModifierFlags, ModifierFlag)
Q_DECLARE_OPERATORS_FOR_FLAGS(ModifierFlags)

// The modifier bits of a stored shortcut.
namespace CarbonModifier {
inline constexpr qint64 command = 0x100;
inline constexpr qint64 shift = 0x200;
inline constexpr qint64 option = 0x800;
inline constexpr qint64 control = 0x1000;
inline constexpr qint64 function = 0x20000;
} // namespace CarbonModifier

// Control, option, shift, command and function map one to one; every other bit is dropped.
ModifierFlags modifierFlags(qint64 carbonModifiers);
qint64 carbonModifiers(ModifierFlags flags);

// The mask with only the bits that convert both ways.
qint64 normalizedCarbonModifiers(qint64 carbonModifiers);

// The desktop's names of the modifiers present ("Ctrl", "Alt", "Shift", "Super", "Fn"), in that
// order.
QStringList modifierNames(ModifierFlags flags);

} // namespace KeyboardShortcuts
