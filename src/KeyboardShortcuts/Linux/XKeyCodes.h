#pragma once

#include <QtGlobal>

#include <optional>

// The one translation between the virtual key codes that shortcuts are stored with and the key
// codes of the X server (evdev codes plus 8). The Function key has no X key code.
namespace KeyboardShortcuts::XKeyCodes {

std::optional<quint32> fromVirtual(qint64 virtualKeyCode);
std::optional<qint64> toVirtual(quint32 xKeyCode);

} // namespace KeyboardShortcuts::XKeyCodes
