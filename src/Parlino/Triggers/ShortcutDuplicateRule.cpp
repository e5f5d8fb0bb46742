#include "Parlino/Triggers/ShortcutDuplicateRule.h"

#include <algorithm>

namespace Parlino::ShortcutDuplicateRule {

std::optional<QString> conflictMessage(const ShortcutCombo& combo, const QString& editingID,
                                       const QList<Binding>& bindings) {
    const auto clash = std::find_if(bindings.cbegin(), bindings.cend(), [&](const Binding& b) {
        return b.id != editingID && b.combo == combo;
    });
    if (clash == bindings.cend())
        return std::nullopt;
    return u"This combination is already used by “"_qs + clash->label + u"”."_qs;
}

} // namespace Parlino::ShortcutDuplicateRule
