#include "Parlino/Clips/LibraryClipPlayer.h"

#include "ClipsTesting.h"
#include "Parlino/Services/ServicesTesting.h"

#include <gtest/gtest.h>

namespace {

using namespace Parlino;
using ClipsTesting::chunks;
using TestSupport::FakeChunkPlayerFactory;

struct LibraryClipPlayerTest : ::testing::Test {
    LibraryClipPlayerTest() {
        player.onFinish = [this] { ++finishes; };
    }

    ServicesTesting::TestSettings settings;
    std::unique_ptr<FakeChunkPlayerFactory> owned = std::make_unique<FakeChunkPlayerFactory>();
    FakeChunkPlayerFactory& factory = *owned;
    LibraryClipPlayer player{std::move(owned), settings.keys};
    int finishes = 0;
};

TEST_F(LibraryClipPlayerTest, PlaysTheChunksInOrderAndCountsTimeAcrossThem) {
    player.play(chunks({2.0, 3.0, 1.5}));
    EXPECT_DOUBLE_EQ(player.totalDuration(), 6.5);
    ASSERT_EQ(factory.made.size(), 1);
    EXPECT_TRUE(factory.made[0]->playing);
    factory.made[0]->setCurrentTime(1.0);
    EXPECT_DOUBLE_EQ(player.elapsed(), 1.0);

    factory.made[0]->finish();
    ASSERT_EQ(factory.made.size(), 2);
    EXPECT_FALSE(factory.isAlive(0));
    EXPECT_EQ(factory.made[1]->data, FakeChunkPlayerFactory::audio(3.0));
    EXPECT_TRUE(factory.made[1]->playing);
    factory.made[1]->setCurrentTime(1.0);
    EXPECT_DOUBLE_EQ(player.elapsed(), 3.0);

    factory.made[1]->finish();
    EXPECT_EQ(finishes, 0);
    factory.made[2]->finish();
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(factory.made.size(), 3);
    // The last player is kept but is not counted twice.
    EXPECT_DOUBLE_EQ(player.elapsed(), 6.5);
}

TEST_F(LibraryClipPlayerTest, AnEmptyClipFinishesBeforePlayReturns) {
    player.play({});
    EXPECT_EQ(finishes, 1);
    EXPECT_TRUE(factory.made.isEmpty());
    EXPECT_EQ(player.totalDuration(), 0);
    EXPECT_EQ(player.elapsed(), 0);
}

TEST_F(LibraryClipPlayerTest, AChunkThatDoesNotDecodeEndsTheClipWithoutTryingTheRest) {
    auto clip = chunks({2.0, 3.0, 1.0});
    clip[1] = ClipsTesting::undecodable(3.0);
    player.play(clip);
    factory.made[0]->finish();

    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(factory.made.size(), 1); // the third chunk was never made
    EXPECT_DOUBLE_EQ(player.elapsed(), 2.0);
    EXPECT_DOUBLE_EQ(player.totalDuration(), 6.0);
}

TEST_F(LibraryClipPlayerTest, StopReleasesTheChunkAndForgetsTheClipWithoutFinishing) {
    player.play(chunks({2.0, 3.0}));
    factory.made[0]->setCurrentTime(1.0);
    player.stop();

    EXPECT_FALSE(factory.isAlive(0));
    EXPECT_EQ(player.current(), nullptr);
    EXPECT_EQ(finishes, 0);
    EXPECT_EQ(player.elapsed(), 0);
    EXPECT_EQ(player.totalDuration(), 0);
}

TEST_F(LibraryClipPlayerTest, PlayStartsAtTheDefaultSpeedAndRestartKeepsTheCurrentOne) {
    Defaults::set(settings.keys.defaultPlaybackRate, 1.25);
    Defaults::set(settings.keys.playbackRate, 2.0);
    player.play(chunks({2.0, 3.0}));
    EXPECT_EQ(Defaults::get(settings.keys.playbackRate), 1.25);
    EXPECT_EQ(factory.made[0]->rate(), 1.25f);

    Defaults::set(settings.keys.playbackRate, 1.5);
    factory.made[0]->finish();
    EXPECT_EQ(factory.made[1]->rate(), 1.5f);
    player.restart(false);
    EXPECT_EQ(Defaults::get(settings.keys.playbackRate), 1.5);
    EXPECT_EQ(factory.made[2]->rate(), 1.5f);
}

TEST_F(LibraryClipPlayerTest, RestartGoesBackToTheFirstChunk) {
    player.play(chunks({2.0, 3.0}));
    factory.made[0]->finish();
    factory.made[1]->setCurrentTime(1.0);

    player.restart(true);
    EXPECT_FALSE(factory.isAlive(1));
    ASSERT_EQ(factory.made.size(), 3);
    auto* first = factory.made[2];
    EXPECT_EQ(first->data, FakeChunkPlayerFactory::audio(2.0));
    EXPECT_FALSE(first->playing); // prepared only
    EXPECT_EQ(player.current(), first);
    EXPECT_EQ(player.elapsed(), 0);

    // After the end, restart plays the clip again.
    first->finish();
    factory.made[3]->finish();
    EXPECT_EQ(finishes, 1);
    player.restart(false);
    EXPECT_TRUE(factory.made[4]->playing);
    EXPECT_EQ(factory.made[4]->data, FakeChunkPlayerFactory::audio(2.0));
}

TEST_F(LibraryClipPlayerTest, RestartWithNothingLoadedDoesNothing) {
    player.restart(false);
    player.play(chunks({1.0}));
    player.stop();
    player.restart(true);
    EXPECT_EQ(factory.made.size(), 1);
    EXPECT_EQ(player.current(), nullptr);
    EXPECT_EQ(finishes, 0);
}

TEST_F(LibraryClipPlayerTest, GainReachesTheChunkPlayingAndEveryLaterOne) {
    player.play(chunks({1.0, 1.0, 1.0}));
    factory.made[0]->finish();
    player.applyGain(0);
    EXPECT_EQ(factory.made[1]->volume(), 0.0f);
    factory.made[1]->finish();
    EXPECT_EQ(factory.made[2]->volume(), 0.0f);

    player.applyGain(1.5f);
    EXPECT_EQ(factory.made[2]->volume(), 1.0f);
    EXPECT_EQ(factory.gain, 1.0f);
}

} // namespace
