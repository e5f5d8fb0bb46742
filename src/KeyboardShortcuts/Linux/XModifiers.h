#pragma once

#include <QtGlobal>

#include <optional>

// The one translation between stored modifier masks and the X server's core modifier masks.
// Command is Super (Mod4) and Option is Alt (Mod1); X has no Function modifier.
namespace KeyboardShortcuts::XModifiers {

inline constexpr quint16 shift = 0x01;
inline constexpr quint16 lock = 0x02;
inline constexpr quint16 control = 0x04;
inline constexpr quint16 mod1 = 0x08;
inline constexpr quint16 mod2 = 0x10;
inline constexpr quint16 mod4 = 0x40;
// The modifiers a shortcut can hold.
inline constexpr quint16 shortcutMask = shift | control | mod1 | mod4;

// None when the mask holds the Function bit.
std::optional<quint16> fromCarbon(qint64 carbonModifiers);
// The shortcut modifiers of a key event's state; locks and other modifiers are dropped.
qint64 toCarbon(quint16 state);

} // namespace KeyboardShortcuts::XModifiers
