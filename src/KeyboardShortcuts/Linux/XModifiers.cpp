#include "KeyboardShortcuts/Linux/XModifiers.h"

#include "KeyboardShortcuts/ModifierFlags.h"

#include <array>
#include <utility>

namespace KeyboardShortcuts::XModifiers {

namespace {

const std::array<std::pair<qint64, quint16>, 4> pairs{{
    {CarbonModifier::shift, shift},
    {CarbonModifier::control, control},
    {CarbonModifier::option, mod1},
    {CarbonModifier::command, mod4},
}};

} // namespace

std::optional<quint16> fromCarbon(qint64 carbonModifiers) {
    const qint64 normalized = normalizedCarbonModifiers(carbonModifiers);
    if (normalized & CarbonModifier::function)
        return std::nullopt;
    quint16 state = 0;
    for (const auto& [carbon, x] : pairs)
        if (normalized & carbon)
            state |= x;
    return state;
}

qint64 toCarbon(quint16 state) {
    qint64 carbonModifiers = 0;
    for (const auto& [carbon, x] : pairs)
        if (state & x)
            carbonModifiers |= carbon;
    return carbonModifiers;
}

} // namespace KeyboardShortcuts::XModifiers
