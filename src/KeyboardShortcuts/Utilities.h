#pragma once

#include "Base/NotificationCenter.h"
#include "KeyboardShortcuts/Key.h"

#include <QString>

#include <optional>

namespace KeyboardShortcuts {

// Posted with "isActive" (a bool) when a recorder starts (true) and ends (false) recording.
inline const QString recorderActiveStatusDidChange =
    QStringLiteral("KeyboardShortcuts_recorderActiveStatusDidChange");

// The recorder status a notification carries; false unless "isActive" holds a bool.
bool recorderIsActive(const Base::Notification& notification);

// The text of one Unicode scalar; none for a surrogate or a value above U+10FFFF.
std::optional<QString> characterFromCodePoint(quint64 codePoint);

// F1 to F20: the keys a recorder accepts without command, option or control.
bool isFunctionKey(Key key);

// Shift, Control, Option, Command (either side), Function and Caps Lock: keys that start a
// combination; the desktop reports their presses like those of any key.
bool isModifierKey(Key key);

} // namespace KeyboardShortcuts
