#pragma once

#include <QColor>
#include <QImage>
#include <QList>

#include <optional>

// How the tray icon's glyph is coloured so that it stands out on whatever tray holds it: the
// colour the tray asks for when it publishes one, otherwise light on a dark tray and dark on a
// light one. Pure functions.
namespace Parlino::TrayIconTone {

// The contrast ratio of two opaque colours, from 1 (the same) to 21 (black on white), from their
// relative luminances in sRGB.
double contrastRatio(const QColor& first, const QColor& second);

// Of the light and the dark glyph colour, the one that stands out more on `backdrop`.
QColor glyphColourOn(const QColor& backdrop);

// The foreground colour of the twelve 16-bit channels a tray publishes as its colours
// (foreground, error, warning and success, each red, green, blue); none when they are not twelve.
std::optional<QColor> publishedForeground(const QList<quint32>& channels);

// The colour behind an icon, from a picture of the icon's place on the screen: the median
// brightness of the pixels along its edge, where the glyph, drawn with a margin, rarely reaches.
// None for an empty picture.
std::optional<QColor> backdropOf(const QImage& place);

} // namespace Parlino::TrayIconTone
