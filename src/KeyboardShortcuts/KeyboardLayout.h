#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

namespace KeyboardShortcuts {

// A keyboard layout: what each key types.
class KeyboardLayout {
public:
    virtual ~KeyboardLayout() = default;

    // The text the key with this virtual key code types with no modifier held; empty when it
    // types nothing.
    virtual QString text(quint16 keyCode) const = 0;
};

// The layout that shortcut descriptions and key equivalents use, set by the application when it
// starts and whenever the user switches layouts; until then keys have no character. Main thread.
void setKeyboardLayout(std::shared_ptr<const KeyboardLayout> layout);
const std::shared_ptr<const KeyboardLayout>& keyboardLayout();

// The one character the key types in the current layout with no modifier held. None for a
// special key (Return, F1, ...), a key code outside 0...65535, no layout, or a text that is not
// exactly one character. Main thread.
std::optional<QString> layoutCharacter(qint64 keyCode);

} // namespace KeyboardShortcuts
