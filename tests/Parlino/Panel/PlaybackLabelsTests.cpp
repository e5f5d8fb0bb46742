#include "Parlino/Panel/PlaybackLabels.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Parlino;
using Kind = PlayerViewModel::Phase::Kind;

TEST(PlaybackLabels, SpeedInShortestForm) {
    EXPECT_EQ(PlaybackLabels::speedText(1.0), QStringLiteral("1×"));
    EXPECT_EQ(PlaybackLabels::speedText(1.25), QStringLiteral("1.25×"));
    EXPECT_EQ(PlaybackLabels::speedText(0.5), QStringLiteral("0.5×"));
    EXPECT_EQ(PlaybackLabels::speedText(2.0), QStringLiteral("2×"));
}

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

TEST(PlaybackLabels, ButtonsAndBubbleFollowThePhase) {
    EXPECT_EQ(PlaybackLabels::playPauseSymbol(Kind::playing), QStringLiteral("pause.fill"));
    for (const Kind kind : {Kind::paused, Kind::loading, Kind::stalled, Kind::finished})
        EXPECT_EQ(PlaybackLabels::playPauseSymbol(kind), QStringLiteral("play.fill"));
    EXPECT_TRUE(PlaybackLabels::showsReplay(Kind::finished));
    EXPECT_FALSE(PlaybackLabels::showsReplay(Kind::paused));

    using Indicator = PlaybackLabels::BubbleIndicator;
    for (const Kind kind : {Kind::listening, Kind::loading, Kind::recapturing})
        EXPECT_EQ(PlaybackLabels::bubbleIndicator(kind), Indicator::spinner);
    for (const Kind kind : {Kind::stalled, Kind::failed}) {
        EXPECT_EQ(PlaybackLabels::bubbleIndicator(kind), Indicator::failure);
        EXPECT_TRUE(PlaybackLabels::isFailure(kind));
    }
    for (const Kind kind :
         {Kind::confirmingLength, Kind::hidden, Kind::playing, Kind::paused, Kind::finished}) {
        EXPECT_EQ(PlaybackLabels::bubbleIndicator(kind), Indicator::time);
        EXPECT_FALSE(PlaybackLabels::isFailure(kind));
    }
}
