#include "Parlino/Services/AppShortcutNames.h"

#include "KeyboardShortcuts/ModifierFlags.h"

namespace Parlino::AppShortcutNames {

using KeyboardShortcuts::Name;

// Ctrl+Alt+Shift+O: no default shortcut of the common desktops and none of the common
// applications, where Ctrl+Shift+S would take Save As from every one of them. A shortcut the
// user stored, or the default stored at an earlier first launch, stays as it is.
const Name& readSelection() {
    using KeyboardShortcuts::ModifierFlag;
    static const Name name(QStringLiteral("readSelection"),
                           KeyboardShortcuts::Shortcut(
                               KeyboardShortcuts::Key::o,
                               ModifierFlag::control | ModifierFlag::option | ModifierFlag::shift));
    return name;
}

const Name& openPanel() {
    static const Name name(QStringLiteral("openPanel"));
    return name;
}

const Name& replayLast() {
    static const Name name(QStringLiteral("replayLast"));
    return name;
}

const QList<Name>& all() {
    static const QList<Name> names{readSelection(), openPanel(), replayLast()};
    return names;
}

} // namespace Parlino::AppShortcutNames
