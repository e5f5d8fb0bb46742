#pragma once

#include "KeyboardShortcuts/Shortcut.h"

#include <QKeySequence>

namespace KeyboardShortcuts {

// The shortcut as Qt shows and matches it on actions and buttons: the key's character in the
// current layout (or its named Qt key) with control, alt (option), shift and meta (command).
// Empty when Qt has no form for it: a keypad key, a key without a character in the layout, or
// the function modifier. Main thread.
QKeySequence keySequence(const Shortcut& shortcut);

} // namespace KeyboardShortcuts
