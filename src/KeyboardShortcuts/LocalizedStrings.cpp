#include "KeyboardShortcuts/LocalizedStrings.h"

#include <QHash>

namespace KeyboardShortcuts {

namespace {

const QHash<QString, QString>& texts() {
    static const QHash<QString, QString> table{
        {QStringLiteral("record_shortcut"), QStringLiteral("Record Shortcut")},
        {QStringLiteral("press_shortcut"), QStringLiteral("Press Shortcut")},
        {QStringLiteral("keyboard_shortcut_used_by_menu_item"),
         QStringLiteral("This shortcut is already the shortcut of the menu item “%1”.")},
        {QStringLiteral("keyboard_shortcut_used_by_system"),
         QStringLiteral("This shortcut is already a shortcut of the desktop.")},
        {QStringLiteral("keyboard_shortcuts_can_be_changed"),
         QStringLiteral("The desktop's shortcuts can be changed in its keyboard settings.")},
        {QStringLiteral("keyboard_shortcut_disallowed"),
         QStringLiteral("This shortcut cannot be used.")},
        {QStringLiteral("ok"), QStringLiteral("OK")},
        {QStringLiteral("force_use_shortcut"), QStringLiteral("Use Anyway")},
        {QStringLiteral("space_key"), QStringLiteral("space")},
        {QStringLiteral("clear_shortcut"), QStringLiteral("Clear Shortcut")},
    };
    return table;
}

} // namespace

QString localized(const QString& key) {
    return texts().value(key, key);
}

} // namespace KeyboardShortcuts
