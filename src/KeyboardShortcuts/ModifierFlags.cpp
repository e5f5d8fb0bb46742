#include "KeyboardShortcuts/ModifierFlags.h"

#include <array>

namespace KeyboardShortcuts {

namespace {

struct Modifier {
    ModifierFlag flag;
    qint64 carbonBit;
    const char16_t* symbol;
};

// In the order their symbols are written.
constexpr std::array<Modifier, 5> modifiers{{
    {ModifierFlag::control, CarbonModifier::control, u"\u2303"},
    {ModifierFlag::option, CarbonModifier::option, u"\u2325"},
    {ModifierFlag::shift, CarbonModifier::shift, u"\u21E7"},
    {ModifierFlag::command, CarbonModifier::command, u"\u2318"},
    {ModifierFlag::function, CarbonModifier::function, u"\U0001F310\uFE0E"},
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

QString modifierSymbols(ModifierFlags flags) {
    QString symbols;
    for (const auto& modifier : modifiers)
        if (flags.testFlag(modifier.flag))
            symbols += QString::fromUtf16(modifier.symbol);
    return symbols;
}

} // namespace KeyboardShortcuts
