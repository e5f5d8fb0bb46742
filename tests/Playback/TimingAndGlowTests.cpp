#include "Playback/ChunkSkip.h"
#include "Playback/GlowMapping.h"
#include "Playback/WordTimingIndex.h"

#include <gtest/gtest.h>

#include <limits>

using namespace Playback;

namespace {
Core::WordTiming wordAt(double start) {
    return {QStringLiteral("w"), {0, 1}, start, start + 0.3};
}
} // namespace

TEST(WordTimingIndex, FindsTheLastWordStartedAtOrBeforeTheTime) {
    const WordTimingIndex index{{wordAt(0.0), wordAt(0.4), wordAt(0.9)}};
    EXPECT_EQ(index.index(0.39), 0);
    EXPECT_EQ(index.index(0.4), 1);
    EXPECT_EQ(index.index(0.7), 1) << "a silence keeps the word that started last";
    EXPECT_EQ(index.index(5.0), 2);
    EXPECT_EQ(index.index(-0.1), std::nullopt);
    EXPECT_EQ(index.index(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
    EXPECT_EQ(WordTimingIndex{}.index(1.0), std::nullopt);
}

TEST(WordTimingIndex, EqualStartsChooseTheLast) {
    WordTimingIndex index{{wordAt(0.0), wordAt(1.0), wordAt(1.0)}};
    index.words[2].word = QStringLiteral("second");
    EXPECT_EQ(index.index(1.0), 2);
}

TEST(ChunkSkip, NextStartNeedsTheNextChunkReady) {
    EXPECT_EQ(ChunkSkip::nextChunkStart(0, {3.0, 2.5}, 4), 3.0);
    EXPECT_EQ(ChunkSkip::nextChunkStart(1, {3.0, 2.5}, 4), std::nullopt);
    EXPECT_EQ(ChunkSkip::nextChunkStart(2, {3.0, 2.5, 1.0, 4.0}, 4), 6.5);
    EXPECT_EQ(ChunkSkip::nextChunkStart(3, {3.0, 2.5, 1.0, 4.0}, 4), std::nullopt);
}

TEST(GlowMapping, MapsDecibelsLinearlyBetweenTheFloorAndFullScale) {
    EXPECT_DOUBLE_EQ(GlowMapping::level(-160.f), 0.25);
    EXPECT_DOUBLE_EQ(GlowMapping::level(-50.f), 0.25);
    EXPECT_DOUBLE_EQ(GlowMapping::level(-25.f), 0.525);
    EXPECT_DOUBLE_EQ(GlowMapping::level(0.f), 0.80);
    EXPECT_DOUBLE_EQ(GlowMapping::level(6.f), 0.80);
    EXPECT_DOUBLE_EQ(GlowMapping::level(std::numeric_limits<float>::quiet_NaN()), 0.25);
}
