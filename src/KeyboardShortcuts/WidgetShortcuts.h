#pragma once

#include "KeyboardShortcuts/EventType.h"
#include "KeyboardShortcuts/Name.h"

#include <functional>

class QAbstractButton;
class QWidget;

// Ties a named shortcut to a widget. Main thread.
namespace KeyboardShortcuts {

class ShortcutRegistry;

// Runs the action for every press and release of the name's shortcut while the widget is
// shown; the shortcut's hot key is held only then. Ends with the widget.
void onKeyboardShortcut(QWidget& widget, ShortcutRegistry& registry, const Name& name,
                        std::function<void(EventType)> action);
// The same for the events of one type only.
void onKeyboardShortcut(QWidget& widget, ShortcutRegistry& registry, const Name& name,
                        EventType type, std::function<void()> action);

// Gives the button the name's stored shortcut as its own shortcut in its window and follows
// its changes; the button has none while a recorder records.
void globalKeyboardShortcut(QAbstractButton& button, const Name& name);

} // namespace KeyboardShortcuts
