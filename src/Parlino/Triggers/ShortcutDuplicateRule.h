#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace Parlino {

// A key combination as the shortcut storage keeps it.
struct ShortcutCombo {
    qint64 carbonKeyCode;
    qint64 carbonModifiers;

    friend bool operator==(const ShortcutCombo&, const ShortcutCombo&) = default;
};

// The check the Shortcuts pane runs on a newly recorded combination: whether another of the
// application's shortcuts already uses it.
namespace ShortcutDuplicateRule {

struct Binding {
    QString id;                         // the shortcut's name
    QString label;                      // the name shown to the user
    std::optional<ShortcutCombo> combo; // none: not set

    friend bool operator==(const Binding&, const Binding&) = default;
};

// The message naming the first binding other than `editingID` that uses the combination;
// none when no other binding does.
std::optional<QString> conflictMessage(const ShortcutCombo& combo, const QString& editingID,
                                       const QList<Binding>& bindings);

} // namespace ShortcutDuplicateRule

} // namespace Parlino
