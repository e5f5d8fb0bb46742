#pragma once

#include <QString>

namespace KeyboardShortcuts {

// The text shown for one of the module's text keys ("record_shortcut", "press_shortcut",
// "keyboard_shortcut_used_by_menu_item" (a format taking the item's title as %1),
// "keyboard_shortcut_used_by_system", "keyboard_shortcuts_can_be_changed",
// "keyboard_shortcut_disallowed", "ok", "force_use_shortcut", "space_key", "clear_shortcut").
// The texts are compiled into the program; a key without a text gives the key itself.
QString localized(const QString& key);

} // namespace KeyboardShortcuts
