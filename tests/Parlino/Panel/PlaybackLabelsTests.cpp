#include "Parlino/Panel/PlaybackLabels.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Parlino;

TEST(PlaybackLabels, TimeMarksAnEstimatedTotal) {
    EXPECT_EQ(PlaybackLabels::timeText(0, {0, false}), QStringLiteral("0:00 / ~0:00"));
    EXPECT_EQ(PlaybackLabels::timeText(65.4, {200, false}), QStringLiteral("1:05 / ~3:20"));
    EXPECT_EQ(PlaybackLabels::timeText(7, {135, true}), QStringLiteral("0:07 / 2:15"));
}

TEST(PlaybackLabels, ProgressFractionStaysWithinTheBar) {
    EXPECT_DOUBLE_EQ(PlaybackLabels::progressFraction(5, 0), 0);
    EXPECT_DOUBLE_EQ(PlaybackLabels::progressFraction(5, -3), 0);
    EXPECT_DOUBLE_EQ(PlaybackLabels::progressFraction(-1, 10), 0);
    EXPECT_DOUBLE_EQ(PlaybackLabels::progressFraction(2.5, 10), 0.25);
    EXPECT_DOUBLE_EQ(PlaybackLabels::progressFraction(12, 10), 1);
    EXPECT_DOUBLE_EQ(PlaybackLabels::progressFraction(std::numeric_limits<double>::quiet_NaN(), 10),
                     0);
}
