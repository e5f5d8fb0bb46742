#pragma once

#include "Base/StringEnum.h"

#include <QtGlobal>

namespace Parlino {

// The side-specific bits in the low 16 bits of the raw modifier-flags word of a flags-changed
// event. The side-independent bits above them are KeyboardShortcuts::ModifierFlag.
namespace DeviceModifierBit {
inline constexpr quint64 leftControl = 0x01;
inline constexpr quint64 leftShift = 0x02;
inline constexpr quint64 rightShift = 0x04;
inline constexpr quint64 leftCommand = 0x08;
inline constexpr quint64 rightCommand = 0x10;
inline constexpr quint64 leftOption = 0x20;
inline constexpr quint64 rightOption = 0x40;
inline constexpr quint64 rightControl = 0x2000;
} // namespace DeviceModifierBit

// The right-side modifier key whose lone tap reads the selection. On Linux Command is the
// Super key and Option the Alt key.
enum class TapModifier { rightCommand, rightOption };

// Stored by the case name; titled with the key's name in the shortcut settings.
inline constexpr auto tapModifierTable = Base::stringEnum<TapModifier>({
    {TapModifier::rightCommand, u"rightCommand", u"Right Super"},
    {TapModifier::rightOption, u"rightOption", u"Right Alt"},
});

inline constexpr std::array allTapModifiers = tapModifierTable.values();

// What a flags-changed event of the watched key looks like.
struct TapModifierKeys {
    quint16 keyCode;        // virtual key code
    quint64 rightDeviceBit; // set while the watched key is held
    quint64 leftDeviceBit;  // set while its left twin is held
    quint64 modifierBit;    // the side-independent bit of both
};

TapModifierKeys keys(TapModifier modifier);

// The stored value of the setting: the case's name.
inline QString rawValue(TapModifier modifier) {
    return tapModifierTable.rawValue(modifier);
}
inline std::optional<TapModifier> tapModifier(const QString& rawValue) {
    return tapModifierTable.fromRawValue(rawValue);
}

} // namespace Parlino
