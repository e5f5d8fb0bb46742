#pragma once

#include <QFont>
#include <QList>
#include <QString>

#include <optional>

namespace Parlino {

// The typeface design of the transcript; stored by its raw value (the case name).
enum class PanelFontChoice { sfPro, sfRounded, newYork, sfMono };

namespace PanelFontChoices {

QList<PanelFontChoice> allCases();
QString rawValue(PanelFontChoice choice);
// Exactly a case name; anything else names no choice.
std::optional<PanelFontChoice> fromRawValue(const QString& raw);

// The font of the design at `size` pixels, for drawing and measuring the transcript: sfPro is
// the desktop's sans-serif font, sfRounded a rounded family when one is installed (else the
// sans-serif font), newYork a serif font and sfMono the desktop's fixed-width font.
QFont nsFont(PanelFontChoice choice, int size);

} // namespace PanelFontChoices

} // namespace Parlino
