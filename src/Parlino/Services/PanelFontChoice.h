#pragma once

#include "Base/StringEnum.h"

#include <QFont>

namespace Parlino {

// The typeface design of the transcript; stored by its raw value (the case name).
enum class PanelFontChoice { sfPro, sfRounded, newYork, sfMono };

namespace PanelFontChoices {

// Titled by the kind of typeface, as the appearance settings list them.
inline constexpr auto table = Base::stringEnum<PanelFontChoice>({
    {PanelFontChoice::sfPro, u"sfPro", u"Sans Serif"},
    {PanelFontChoice::sfRounded, u"sfRounded", u"Rounded"},
    {PanelFontChoice::newYork, u"newYork", u"Serif"},
    {PanelFontChoice::sfMono, u"sfMono", u"Monospace"},
});

inline QList<PanelFontChoice> allCases() {
    return table.allCases();
}
inline QString rawValue(PanelFontChoice choice) {
    return table.rawValue(choice);
}
// Exactly a case name; anything else names no choice.
inline std::optional<PanelFontChoice> fromRawValue(const QString& raw) {
    return table.fromRawValue(raw);
}

// The font of the design at `size` pixels, for drawing and measuring the transcript: sfPro is
// the desktop's sans-serif font, sfRounded a rounded family when one is installed (else the
// sans-serif font), newYork a serif font and sfMono the desktop's fixed-width font.
QFont font(PanelFontChoice choice, int size);

} // namespace PanelFontChoices

} // namespace Parlino
