#include "Parlino/Style/PlaybackSpeedText.h"

#include <gtest/gtest.h>

using namespace Parlino;

TEST(PlaybackSpeedText, ShortestFormAndTheNameOfEveryChip) {
    EXPECT_EQ(playbackSpeedText(1.0), QStringLiteral("1×"));
    EXPECT_EQ(playbackSpeedText(1.25), QStringLiteral("1.25×"));
    EXPECT_EQ(playbackSpeedText(0.5), QStringLiteral("0.5×"));
    EXPECT_EQ(playbackSpeedText(2.0), QStringLiteral("2×"));
    EXPECT_EQ(playbackSpeedName(1.75), QStringLiteral("Playback speed 1.75×"));
}
