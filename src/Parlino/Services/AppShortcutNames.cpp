#include "Parlino/Services/AppShortcutNames.h"

#include "KeyboardShortcuts/ModifierFlags.h"

namespace Parlino::AppShortcutNames {

using KeyboardShortcuts::Name;

const Name& readSelection() {
    static const Name name(QStringLiteral("readSelection"),
                           KeyboardShortcuts::Shortcut(KeyboardShortcuts::Key::s,
                                                       KeyboardShortcuts::ModifierFlag::control |
                                                           KeyboardShortcuts::ModifierFlag::shift));
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
