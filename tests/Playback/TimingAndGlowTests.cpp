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
    const WordTimingIndex index{{wordAt(0.0), wordAt(1.0), wordAt(1.0)}};
    EXPECT_EQ(index.index(1.0), 2);
}

TEST(WordTimingIndex, MergesEachChunkPlacedAndInStartOrder) {
    WordTimingIndex index;
    index.mergeChunk(
        {{QStringLiteral("a"), {0, 1}, 0.0, 0.2}, {QStringLiteral("b"), {2, 3}, 0.5, 0.7}}, 10,
        1.0);
    index.mergeChunk({{QStringLiteral("c"), {0, 1}, 0.0, 0.1}}, 20, 1.5);
    ASSERT_EQ(index.words.size(), 3);
    EXPECT_EQ(index.words[0], (Core::WordTiming{QStringLiteral("a"), {10, 11}, 1.0, 1.2}));
    EXPECT_EQ(index.words[1].range, (Core::WordTiming::Range{12, 13}));
    EXPECT_EQ(index.words[2].start, 1.5) << "a start equal to the last one's goes after it";

    // A chunk timed before words already merged goes in among them, ties after the earlier ones.
    index.mergeChunk(
        {{QStringLiteral("d"), {0, 1}, 0.0, 0.1}, {QStringLiteral("e"), {2, 3}, 0.5, 0.6}}, 30,
        1.0);
    QStringList order;
    for (const auto& word : index.words)
        order.append(word.word);
    EXPECT_EQ(order, (QStringList{QStringLiteral("a"), QStringLiteral("d"), QStringLiteral("b"),
                                  QStringLiteral("c"), QStringLiteral("e")}));
    EXPECT_EQ(index.index(1.55), 4);
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
