#include "Parlino/Style/Theme.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

using namespace Parlino;

namespace {

// The level the palette gives colour k at a drift, recovered from its brightness.
double levelOf(const QColor& colour, const AvatarMood& mood) {
    return (colour.valueF() - mood.brightnessAtLevel0) /
           (mood.brightnessAtLevel1 - mood.brightnessAtLevel0);
}

void expectSameColours(const QList<QColor>& a, const QList<QColor>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (qsizetype k = 0; k < a.size(); ++k)
        EXPECT_EQ(a[k], b[k]) << "colour " << k;
}

} // namespace

TEST(HueAt, InterpolatesTheShorterWayRoundAndWrapsNegativePositions) {
    const QList<double> stops{0.85, 0.95, 0.04};
    // From 0.95 to 0.04 goes forward through 1.0: halfway is 0.995, not 0.495.
    EXPECT_NEAR(Theme::hueAt(stops, 1.5), 0.995, 1e-9);
    // From 0.04 back to 0.85 goes backward through 0: halfway is 0.945.
    EXPECT_NEAR(Theme::hueAt(stops, 2.5), 0.945, 1e-9);
    // -0.5 wraps to 2.5.
    EXPECT_NEAR(Theme::hueAt(stops, -0.5), Theme::hueAt(stops, 2.5), 1e-12);
    EXPECT_NEAR(Theme::hueAt(stops, 3.0), 0.85, 1e-12);
    EXPECT_NEAR(Theme::hueAt({0.2, 0.4, 0.6}, 0.25), 0.25, 1e-12);
}

TEST(HueAt, StaysInTheUnitRangeForAnyPosition) {
    const QList<double> stops{0.97, 0.01, 0.5};
    for (const double x :
         std::initializer_list<double>{-1e9, -7.3, -3.0, 0.0, 0.999, 2.9999, 1e12, NAN, INFINITY}) {
        const double hue = Theme::hueAt(stops, x);
        EXPECT_GE(hue, 0.0) << x;
        EXPECT_LT(hue, 1.0) << x;
    }
}

TEST(HuePalette, UsesOnlyTheTwoLowestBitsOfTheMood) {
    for (unsigned mood = 0; mood < 4; ++mood)
        expectSameColours(Theme::huePalette(mood + 4, 0.3, 0.2, 0.8),
                          Theme::huePalette(mood, 0.3, 0.2, 0.8));
}

TEST(HuePalette, AtRestFollowsTheLevelTableAndTheHueStops) {
    const double baseHue = 0.95;
    const QList<QColor> colours = Theme::huePalette(0, baseHue, 0, 1);
    ASSERT_EQ(colours.size(), 16);
    const AvatarMood& mood = Theme::moods[0];
    const QList<double> stops{0.85, 0.95, 0.04};
    for (int k = 0; k < 16; ++k) {
        const double level = std::clamp(Theme::levels[k] + 0.12 * std::sin(0.8 * k), 0.0, 1.0);
        EXPECT_NEAR(levelOf(colours[k], mood), level, 1e-3) << k;
        const double saturation =
            mood.saturationAtLevel0 - (mood.saturationAtLevel0 - mood.saturationAtLevel1) * level;
        EXPECT_NEAR(colours[k].hsvSaturationF(), saturation, 1e-3) << k;
        EXPECT_NEAR(colours[k].hsvHueF(), Theme::hueAt(stops, 0.37 * k), 1e-3) << k;
        EXPECT_EQ(colours[k].alphaF(), 1.0f);
    }
    expectSameColours(Theme::huePalette(0, baseHue, 0, 1), colours);
}

TEST(HuePalette, ClampsTheSaturationScale) {
    expectSameColours(Theme::huePalette(2, 0.6, 0.1, 2), Theme::huePalette(2, 0.6, 0.1, 1));
    expectSameColours(Theme::huePalette(2, 0.6, 0.1, -1), Theme::huePalette(2, 0.6, 0.1, 0));
    for (const QColor& colour : Theme::huePalette(2, 0.6, 0.1, 0))
        EXPECT_EQ(colour.hsvSaturationF(), 0.0f);
}

TEST(HuePalette, LevelsStayClampedWhileTheDriftWobblesThem) {
    const AvatarMood& mood = Theme::moods[1];
    bool reachedFull = false;
    for (int step = 0; step < 200; ++step) {
        const double drift = step * 0.005;
        const QList<QColor> colours = Theme::huePalette(1, 0.4, drift, 1);
        const double omega = drift * 2 * std::numbers::pi * 3;
        EXPECT_LE(levelOf(colours[15], mood), 0.32 + 1e-3) << drift;
        if (std::sin(omega + 0.8 * 5) > 0) {
            EXPECT_NEAR(levelOf(colours[5], mood), 1.0, 1e-3) << drift;
            reachedFull = true;
        }
    }
    EXPECT_TRUE(reachedFull);
}
