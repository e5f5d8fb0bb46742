#include "Parlino/Triggers/TapModifier.h"

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/ModifierFlags.h"

namespace Parlino {

using KeyboardShortcuts::Key;
using KeyboardShortcuts::ModifierFlag;

TapModifierKeys keys(TapModifier modifier) {
    switch (modifier) {
    case TapModifier::rightOption:
        return {quint16(Key::rightOption.rawValue), DeviceModifierBit::rightOption,
                DeviceModifierBit::leftOption, quint64(ModifierFlag::option)};
    case TapModifier::rightCommand:
        break;
    }
    return {quint16(Key::rightCommand.rawValue), DeviceModifierBit::rightCommand,
            DeviceModifierBit::leftCommand, quint64(ModifierFlag::command)};
}

} // namespace Parlino
