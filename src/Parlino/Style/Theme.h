#pragma once

#include <QColor>
#include <QList>
#include <QPalette>

#include <array>

namespace Parlino {

// Radius of each corner of a surface's shape, in logical pixels.
struct CornerRadii {
    qreal topLeft = 0;
    qreal topRight = 0;
    qreal bottomRight = 0;
    qreal bottomLeft = 0;

    bool operator==(const CornerRadii&) const = default;
};

// How corners are rounded: circular arcs, or the smoother continuous curve every surface uses.
enum class CornerStyle { circular, continuous };

// One row of the avatar mood table: hue offsets and the saturation and brightness ranges.
struct AvatarMood {
    std::array<double, 3> hueOffsets;
    double saturationAtLevel1;
    double saturationAtLevel0;
    double brightnessAtLevel0;
    double brightnessAtLevel1;
};

// The constants of the application's one dark look and the avatar palette. Every value is made
// once, on first use, and never changes; the functions are pure.
namespace Theme {

const QColor& ink();
const QColor& black();
const QColor& graphite();
const QColor& accent();
const QColor& slate();
const QColor& white85();
const QColor& white60();
const QColor& white45();
const QColor& white34();
const QColor& white04();
const QColor& white06();
const QColor& white16();
const QColor& white07();
const QColor& white08();
const QColor& white045();
const QColor& red();
const QColor& red85();
const QColor& green();
const QColor& deepRed();
const QColor& skyBlue();

// White at an opacity, the way every translucent white of the look is made.
QColor white(qreal opacity);

// The palette of the application's own windows, which are always dark.
const QPalette& darkPalette();

inline constexpr CornerRadii panelRadii{0, 0, 24, 24};
inline constexpr CornerRadii pillRadii{0, 0, 12, 12};
inline constexpr CornerRadii cardRadii{12, 12, 12, 12};
inline constexpr CornerStyle cornerStyle = CornerStyle::continuous;

extern const std::array<AvatarMood, 4> moods;
extern const std::array<double, 16> levels;

// The 16 colours of a voice avatar's 4 × 4 mesh. Only the two lowest bits of `mood` count;
// `drift` moves the colours round the hue stops as time passes; `saturationScale` is clamped
// to [0, 1].
QList<QColor> huePalette(unsigned mood, double baseHue, double drift, double saturationScale);

// The hue at `position` along the closed ring of `stops` (hue fractions), interpolated the
// shorter way round the colour circle; the result lies in [0, 1). `stops` must not be empty.
double hueAt(const QList<double>& stops, double position);

} // namespace Theme
} // namespace Parlino
