#include "Parlino/Triggers/Linux/RawKeyTranslator.h"

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/Linux/XKeyCodes.h"
#include "KeyboardShortcuts/ModifierFlags.h"
#include "Parlino/Triggers/TapModifier.h"

#include <algorithm>
#include <array>

namespace Parlino {

namespace {

using KeyboardShortcuts::Key;
using KeyboardShortcuts::ModifierFlag;

struct ModifierKey {
    Key key;
    quint64 deviceBit;
    ModifierFlag flag;
};

// Caps Lock reports its lock state, which raw events do not tell; the tap ignores that bit, so
// the key only announces itself. The Function key has no X key code.
const std::array<ModifierKey, 9> modifierKeys{{
    {Key::control, DeviceModifierBit::leftControl, ModifierFlag::control},
    {Key::shift, DeviceModifierBit::leftShift, ModifierFlag::shift},
    {Key::rightShift, DeviceModifierBit::rightShift, ModifierFlag::shift},
    {Key::command, DeviceModifierBit::leftCommand, ModifierFlag::command},
    {Key::rightCommand, DeviceModifierBit::rightCommand, ModifierFlag::command},
    {Key::option, DeviceModifierBit::leftOption, ModifierFlag::option},
    {Key::rightOption, DeviceModifierBit::rightOption, ModifierFlag::option},
    {Key::rightControl, DeviceModifierBit::rightControl, ModifierFlag::control},
    {Key::capsLock, 0, ModifierFlag{}},
}};

const ModifierKey* modifierKey(quint32 xKeyCode) {
    const auto virtualCode = KeyboardShortcuts::XKeyCodes::toVirtual(xKeyCode);
    if (!virtualCode)
        return nullptr;
    const auto it =
        std::find_if(modifierKeys.begin(), modifierKeys.end(),
                     [&](const ModifierKey& m) { return m.key.rawValue == *virtualCode; });
    return it == modifierKeys.end() ? nullptr : &*it;
}

TapSourceEvent flagsChanged(const ModifierKey& modifier, quint64 flags, double at) {
    return TapSourceEvent::flagsChanged(quint16(modifier.key.rawValue), flags, at);
}

} // namespace

std::optional<TapSourceEvent> RawKeyTranslator::keyPressed(quint32 xKeyCode, bool isRepeat,
                                                           double at) {
    const ModifierKey* modifier = modifierKey(xKeyCode);
    if (!modifier)
        return TapSourceEvent::keyDown(at);
    if (isRepeat) // a held modifier changes nothing
        return std::nullopt;
    m_heldModifiers.insert(modifier->key.rawValue);
    return flagsChanged(*modifier, flags(), at);
}

std::optional<TapSourceEvent> RawKeyTranslator::keyReleased(quint32 xKeyCode, double at) {
    const ModifierKey* modifier = modifierKey(xKeyCode);
    if (!modifier)
        return std::nullopt;
    m_heldModifiers.remove(modifier->key.rawValue);
    return flagsChanged(*modifier, flags(), at);
}

quint64 RawKeyTranslator::flags() const {
    quint64 flags = 0;
    for (const ModifierKey& modifier : modifierKeys) {
        if (m_heldModifiers.contains(modifier.key.rawValue))
            flags |= modifier.deviceBit | quint64(modifier.flag);
    }
    return flags;
}

} // namespace Parlino
