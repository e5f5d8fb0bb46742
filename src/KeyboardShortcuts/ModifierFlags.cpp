#include "KeyboardShortcuts/ModifierFlags.h"

#include <array>

namespace KeyboardShortcuts {

namespace {

struct Modifier {
    ModifierFlag flag;
    qint64 carbonBit;
    const char* name; // as the desktop names the key
};

// In the order their names are written. Command is the Super key here, Option the Alt key.
constexpr std::array<Modifier, 5> modifiers{{
    {ModifierFlag::control, CarbonModifier::control, "Ctrl"},
    {ModifierFlag::option, CarbonModifier::option, "Alt"},
    {ModifierFlag::shift, CarbonModifier::shift, "Shift"},
    {ModifierFlag::command, CarbonModifier::command, "Super"},
    {ModifierFlag::function, CarbonModifier::function, "Fn"},
}};

} // namespace

ModifierFlags modifierFlags(qint64 carbonModifiers) {
    ModifierFlags flags;
    for (const auto& modifier : modifiers)
        if (carbonModifiers & modifier.carbonBit)
            flags |= modifier.flag;
    return flags;
}

qint64 carbonModifiers(ModifierFlags flags) {
    qint64 carbon = 0;
    for (const auto& modifier : modifiers)
        if (flags.testFlag(modifier.flag))
            carbon |= modifier.carbonBit;
    return carbon;
}

qint64 normalizedCarbonModifiers(qint64 carbonModifiers) {
    return KeyboardShortcuts::carbonModifiers(modifierFlags(carbonModifiers));
}

QStringList modifierNames(ModifierFlags flags) {
    QStringList names;
    for (const auto& modifier : modifiers)
        if (flags.testFlag(modifier.flag))
            names.append(QString::fromLatin1(modifier.name));
    return names;
}

} // namespace KeyboardShortcuts
