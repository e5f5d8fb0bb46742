#include "KeyboardShortcuts/KeyboardLayout.h"

#include "Base/Unicode.h"
#include "KeyboardShortcuts/SpecialKey.h"

#include <limits>

namespace KeyboardShortcuts {

namespace {

std::shared_ptr<const KeyboardLayout>& currentLayout() {
    static std::shared_ptr<const KeyboardLayout> layout;
    return layout;
}

} // namespace

void setKeyboardLayout(std::shared_ptr<const KeyboardLayout> layout) {
    currentLayout() = std::move(layout);
}

const std::shared_ptr<const KeyboardLayout>& keyboardLayout() {
    return currentLayout();
}

std::optional<QString> layoutCharacter(qint64 keyCode) {
    const auto& layout = keyboardLayout();
    if (!layout || keyCode < 0 || keyCode > std::numeric_limits<quint16>::max() ||
        SpecialKey::find(keyCode))
        return std::nullopt;
    const QString text = layout->text(quint16(keyCode));
    if (Base::Unicode::graphemeCount(text) != 1)
        return std::nullopt;
    return text;
}

} // namespace KeyboardShortcuts
