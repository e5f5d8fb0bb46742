#pragma once

#include "KeyboardShortcuts/Name.h"

#include <QList>

// The application's named keyboard shortcuts. Each is declared once, on first use, which stores
// its default in the shortcut storage when nothing is stored for it yet.
namespace Parlino::AppShortcutNames {

// Starts a read of the selection; control-shift-S unless the user changed it.
const KeyboardShortcuts::Name& readSelection();
// Opens the floating panel; no default.
const KeyboardShortcuts::Name& openPanel();
// Replays the last read; no default.
const KeyboardShortcuts::Name& replayLast();

// readSelection, openPanel and replayLast, in this order.
const QList<KeyboardShortcuts::Name>& all();

} // namespace Parlino::AppShortcutNames
