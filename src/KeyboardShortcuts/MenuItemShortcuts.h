#pragma once

#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <QList>

#include <optional>

class QAction;
class QWidget;

// Menu items (actions) that show a named shortcut, and the application's main menu, whose items'
// shortcuts a recorder will not take without asking. Main thread.
namespace KeyboardShortcuts {

// Shows the name's stored shortcut as the action's shortcut and follows its changes. The
// action's own shortcuts from before the first binding are kept, and shown whenever the name
// has no shortcut; binding no name shows them again and ends the binding.
void bindShortcut(QAction& action, const std::optional<Name>& name);

// Shows the shortcut once (none: no shortcut), ending any binding; the action's earlier
// shortcuts are forgotten.
void showShortcut(QAction& action, const std::optional<Shortcut>& shortcut);

// The name the action is bound to.
std::optional<Name> boundName(const QAction& action);

// The application's main menu: the tray menu here, or a menu bar. None until set.
void setMainMenu(QWidget* menu);
QWidget* mainMenu();

// The actions, and those of their submenus depth first, whose shortcut is this one: each
// action is listed before the matches of its submenu.
QList<QAction*> actionsUsing(const Shortcut& shortcut, const QList<QAction*>& actions);

} // namespace KeyboardShortcuts
