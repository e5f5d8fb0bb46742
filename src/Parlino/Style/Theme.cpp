#include "Parlino/Style/Theme.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace Parlino::Theme {

namespace {

QColor srgb(float red, float green, float blue) {
    return QColor::fromRgbF(red, green, blue, 1.0f);
}

// The system red and green as the dark appearance shows them.
QColor systemRed() {
    return QColor(255, 69, 58);
}

QColor systemGreen() {
    return QColor(48, 209, 88);
}

QColor withOpacity(QColor colour, qreal opacity) {
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

double fraction(double x) {
    return x - std::trunc(x);
}

} // namespace

QColor white(qreal opacity) {
    return withOpacity(Qt::white, opacity);
}

#define PARLINO_THEME_COLOUR(name, value)                                                          \
    const QColor& name() {                                                                         \
        static const QColor colour = value;                                                        \
        return colour;                                                                             \
    }

PARLINO_THEME_COLOUR(ink, srgb(0.07f, 0.075f, 0.086f))
PARLINO_THEME_COLOUR(black, srgb(0, 0, 0))
PARLINO_THEME_COLOUR(graphite, srgb(0.113f, 0.122f, 0.142f))
PARLINO_THEME_COLOUR(accent, srgb(0.34f, 0.67f, 1.0f))
PARLINO_THEME_COLOUR(slate, srgb(0.42f, 0.51f, 0.62f))
PARLINO_THEME_COLOUR(white85, white(0.85))
PARLINO_THEME_COLOUR(white60, white(0.6))
PARLINO_THEME_COLOUR(white45, white(0.45))
PARLINO_THEME_COLOUR(white34, white(0.34))
PARLINO_THEME_COLOUR(white04, white(0.04))
PARLINO_THEME_COLOUR(white06, white(0.06))
PARLINO_THEME_COLOUR(white16, white(0.16))
PARLINO_THEME_COLOUR(white07, white(0.07))
PARLINO_THEME_COLOUR(white08, white(0.08))
PARLINO_THEME_COLOUR(white045, white(0.045))
PARLINO_THEME_COLOUR(red, systemRed())
PARLINO_THEME_COLOUR(red85, withOpacity(systemRed(), 0.85))
PARLINO_THEME_COLOUR(green, systemGreen())
PARLINO_THEME_COLOUR(deepRed, srgb(0.52f, 0.12f, 0.11f))
PARLINO_THEME_COLOUR(skyBlue, srgb(0.58f, 0.8f, 1.0f))

#undef PARLINO_THEME_COLOUR

const QPalette& darkPalette() {
    static const QPalette palette = [] {
        QPalette dark;
        dark.setColor(QPalette::Window, graphite());
        dark.setColor(QPalette::WindowText, Qt::white);
        dark.setColor(QPalette::Base, ink());
        dark.setColor(QPalette::AlternateBase, graphite());
        dark.setColor(QPalette::Text, Qt::white);
        dark.setColor(QPalette::PlaceholderText, white45());
        dark.setColor(QPalette::Button, graphite());
        dark.setColor(QPalette::ButtonText, Qt::white);
        dark.setColor(QPalette::Highlight, accent());
        dark.setColor(QPalette::HighlightedText, Qt::white);
        dark.setColor(QPalette::Link, skyBlue());
        dark.setColor(QPalette::ToolTipBase, graphite());
        dark.setColor(QPalette::ToolTipText, Qt::white);
        // A control that takes no press says so: its text dims (a stepper's button at its bound).
        for (const QPalette::ColorRole role :
             {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            dark.setColor(QPalette::Disabled, role, white45());
        return dark;
    }();
    return palette;
}

const std::array<AvatarMood, 4> moods{{
    {{-0.1, 0.0, 0.09}, 0.55, 0.85, 0.8, 1.0},
    {{-0.07, 0.0, 0.12}, 0.35, 0.6, 0.86, 1.0},
    {{-0.12, 0.0, 0.07}, 0.6, 0.9, 0.76, 0.98},
    {{-0.09, 0.0, 0.1}, 0.42, 0.7, 0.84, 1.0},
}};

const std::array<double, 16> levels{0.72, 0.88, 0.96, 0.8,  0.84, 1.0,  0.92, 0.66,
                                    0.58, 0.74, 0.62, 0.42, 0.34, 0.48, 0.38, 0.2};

double hueAt(const QList<double>& stops, double position) {
    const auto n = double(stops.size());
    // A position that is not finite has no place on the ring; it reads as the first stop.
    const double x = std::isfinite(position) ? position : 0.0;
    double p = std::fmod(x, n);
    if (x < 0)
        p += n;
    const auto i = qsizetype(p);
    const qsizetype i0 = i % stops.size();
    const qsizetype i1 = (i0 + 1) % stops.size();
    const double f = p - double(i);
    double d = stops[i1] - stops[i0];
    if (d > 0.5)
        d -= 1;
    if (d < -0.5)
        d += 1;
    return fraction(stops[i0] + f * d + 1);
}

QList<QColor> huePalette(unsigned mood, double baseHue, double drift, double saturationScale) {
    const AvatarMood& row = moods[mood & 3];
    QList<double> stops;
    for (const double offset : row.hueOffsets)
        stops.append(fraction(baseHue + offset + 1));
    const double omega = drift * std::numbers::pi * 2 * 3;
    const double scale = std::clamp(saturationScale, 0.0, 1.0);

    QList<QColor> colours;
    colours.reserve(qsizetype(levels.size()));
    for (size_t k = 0; k < levels.size(); ++k) {
        const double level =
            std::clamp(levels[k] + 0.12 * std::sin(omega + 0.8 * double(k)), 0.0, 1.0);
        const double hue = hueAt(stops, 0.37 * double(k) + drift * double(stops.size()));
        const double saturation =
            scale *
            (row.saturationAtLevel0 - (row.saturationAtLevel0 - row.saturationAtLevel1) * level);
        const double brightness =
            row.brightnessAtLevel0 + (row.brightnessAtLevel1 - row.brightnessAtLevel0) * level;
        colours.append(QColor::fromHsvF(float(hue), float(saturation), float(brightness)));
    }
    return colours;
}

} // namespace Parlino::Theme
