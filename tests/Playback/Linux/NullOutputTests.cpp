#include "Playback/Linux/Mpg123ChunkPlayer.h"
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/SystemOutputFactory.h"
#include "TestAudio.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"

#include <gtest/gtest.h>

namespace {

using Playback::Mpg123ChunkPlayer;

// One block of the null output: it rounds its clock to whole frames and keeps a short buffer.
constexpr double tolerance = 1.0 / 44100 + 1e-9;

class NullOutputTest : public ::testing::Test {
protected:
    NullOutputTest() {
        clock.set(100.0);
        player = std::move(Mpg123ChunkPlayer::make(TestAudio::speechMp3(), outputs)).value();
        player->setOnFinish([this] { ++finishes; });
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    Playback::NullOutputFactory outputs{clock, scheduler};
    std::unique_ptr<Mpg123ChunkPlayer> player;
    int finishes = 0;
};

TEST_F(NullOutputTest, AdvancesWithTheClockOnlyWhilePlaying) {
    scheduler.advance(1.0);
    EXPECT_EQ(player->currentTime(), 0.0);

    player->play();
    scheduler.advance(1.0);
    EXPECT_NEAR(player->currentTime(), 1.0, tolerance);
    EXPECT_GT(player->averagePower(), -160.0f);

    player->pause();
    scheduler.advance(2.0);
    EXPECT_NEAR(player->currentTime(), 1.0, tolerance);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "a paused output does not tick";

    player->play();
    scheduler.advance(0.5);
    EXPECT_NEAR(player->currentTime(), 1.5, tolerance);
}

TEST_F(NullOutputTest, PlaysAtTheSetSpeed) {
    player->setRate(2.0f);
    player->play();
    scheduler.advance(1.0);
    EXPECT_NEAR(player->currentTime(), 2.0, 0.06);
}

TEST_F(NullOutputTest, SeeksWhilePlaying) {
    player->play();
    scheduler.advance(0.5);
    player->setCurrentTime(3.0);
    EXPECT_DOUBLE_EQ(player->currentTime(), 3.0);
    scheduler.advance(0.5);
    EXPECT_NEAR(player->currentTime(), 3.5, 0.02 + tolerance)
        << "after what was already buffered before the seek";
}

TEST_F(NullOutputTest, FinishesOnceInRealTime) {
    player->play();
    scheduler.advance(player->duration() - 0.05);
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 0);

    scheduler.advance(0.1);
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 1);
    EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    scheduler.advance(1.0);
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 1);
}

TEST_F(NullOutputTest, SeekingBackAfterTheEndPlaysOnAndFinishesAgain) {
    player->play();
    scheduler.advance(player->duration() + 0.1);
    player->setCurrentTime(player->duration() - 1.0);
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 0) << "the end it reached before the seek no longer counts";
    scheduler.advance(1.1);
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 1);
}

} // namespace

namespace {

TEST(SystemOutputFactory, FallsBackToTheNullOutputWithoutASoundServer) {
    const QByteArray previous = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/parlino-test/native");
    TestSupport::LogCapture log;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler(clock);
    Playback::SystemOutputFactory outputs(clock, scheduler);
    auto player = std::move(Mpg123ChunkPlayer::make(TestAudio::speechMp3(), outputs)).value();
    player->play();
    scheduler.advance(0.5);
    EXPECT_NEAR(player->currentTime(), 0.5, tolerance);
    EXPECT_TRUE(
        log.contains(QStringLiteral("no sound server answered: playing to the null output")));
    if (previous.isNull())
        qunsetenv("PULSE_SERVER");
    else
        qputenv("PULSE_SERVER", previous);
}

} // namespace
