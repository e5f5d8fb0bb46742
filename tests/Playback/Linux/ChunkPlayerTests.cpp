#include "Base/MainThread.h"
#include "Playback/Linux/Mpg123ChunkPlayer.h"
#include "Playback/Linux/SystemChunkPlayerFactory.h"
#include "TestAudio.h"
#include "support/EventLoop.h"
#include "support/FakePcmOutput.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

namespace {

using Playback::Mpg123ChunkPlayer;
using TestSupport::FakePcmOutput;
using TestSupport::FakePcmOutputFactory;

constexpr int rate = 44100;
constexpr int64_t meterWindow = 1323; // 30 ms

class ChunkPlayerTest : public ::testing::Test {
protected:
    std::unique_ptr<Mpg123ChunkPlayer> makePlayer() {
        auto player = Mpg123ChunkPlayer::make(TestAudio::speechMp3(), outputs);
        EXPECT_TRUE(player);
        return std::move(player).value();
    }
    FakePcmOutput& output() { return *outputs.last; }
    static const std::vector<float>& decoded() {
        static const auto pcm = TestAudio::decodeAll(TestAudio::speechMp3());
        return pcm;
    }
    static std::vector<float> decodedScaled(size_t from, size_t count, float gain) {
        std::vector<float> out(decoded().begin() + long(from),
                               decoded().begin() + long(from + count));
        for (auto& sample : out)
            sample *= gain;
        return out;
    }

    FakePcmOutputFactory outputs;
};

// The same samples, at most rounded differently, as a seek may decode them.
void expectSameSamples(const std::vector<float>& actual, const std::vector<float>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i)
        ASSERT_NEAR(actual[i], expected[i], 1e-6) << "sample " << i;
}

TEST_F(ChunkPlayerTest, ClampsRateAndVolumeWhereTheyAreSet) {
    auto player = makePlayer();
    const std::pair<float, float> rates[] = {{3.0f, 2.0f}, {0.25f, 0.5f},  {0.5f, 0.5f},
                                             {2.0f, 2.0f}, {1.25f, 1.25f}, {NAN, 0.5f}};
    for (const auto& [set, expected] : rates) {
        player->setRate(set);
        EXPECT_EQ(player->rate(), expected) << set;
    }
    const std::pair<float, float> volumes[] = {
        {-1.0f, 0.0f}, {1.5f, 1.0f}, {0.3f, 0.3f}, {NAN, 0.0f}};
    for (const auto& [set, expected] : volumes) {
        player->setVolume(set);
        EXPECT_EQ(player->volume(), expected) << set;
    }
}

TEST(SystemChunkPlayerFactory, StartsPlayersAtItsClampedGainAndLeavesMadeOnesAlone) {
    Playback::SystemChunkPlayerFactory factory(std::make_unique<FakePcmOutputFactory>());
    factory.setGain(2.0f);
    auto loud = factory.makePlayer(TestAudio::speechMp3());
    ASSERT_TRUE(loud);
    EXPECT_EQ((*loud)->volume(), 1.0f);

    factory.setGain(-0.5f);
    auto silent = factory.makePlayer(TestAudio::speechMp3());
    ASSERT_TRUE(silent);
    EXPECT_EQ((*silent)->volume(), 0.0f);
    EXPECT_EQ((*loud)->volume(), 1.0f);
}

TEST(SystemChunkPlayerFactory, RefusesRandomBytesAndLogsWhy) {
    TestSupport::LogCapture log;
    Playback::SystemChunkPlayerFactory factory(std::make_unique<FakePcmOutputFactory>());
    const QByteArray noise("\x13\x7f\xe2\x00\x91\x44\xff\xfb\x10\x42\x08\x99\x01", 13);
    const auto player = factory.makePlayer(noise);
    ASSERT_FALSE(player);
    EXPECT_FALSE(player.error().description.isEmpty());
    EXPECT_EQ(
        log.messages(QStringLiteral("audio")),
        QStringList{QStringLiteral("init threw: %1 bytes=13").arg(player.error().description)});
}

TEST(SystemChunkPlayerFactory, TellsTheDecodedLengthWithoutMakingAPlayer) {
    auto outputs = std::make_unique<FakePcmOutputFactory>();
    const auto* made = outputs.get();
    Playback::SystemChunkPlayerFactory factory(std::move(outputs));
    const auto seconds = factory.decodedDuration(TestAudio::speechMp3());
    ASSERT_TRUE(seconds);
    EXPECT_DOUBLE_EQ(*seconds, double(TestAudio::speechFrames()) / 44100);
    EXPECT_EQ(made->last, nullptr) << "no output was opened";
    EXPECT_EQ(factory.decodedDuration(QByteArray("not audio at all")), std::nullopt);
}

TEST_F(ChunkPlayerTest, LogsTheDurationItWasMadeWith) {
    TestSupport::LogCapture log;
    auto player = makePlayer();
    EXPECT_DOUBLE_EQ(player->duration(), double(TestAudio::speechFrames()) / rate);
    EXPECT_EQ(log.messages(QStringLiteral("audio")),
              QStringList{QString::asprintf("init ok: duration=%fs bytes=%lld", player->duration(),
                                            qint64(TestAudio::speechMp3().size()))});
}

TEST_F(ChunkPlayerTest, HandsTheDecodedSamplesToTheOutputScaledByTheVolume) {
    TestSupport::LogCapture log;
    auto player = makePlayer();
    player->setVolume(0.5f);
    player->play();
    EXPECT_TRUE(output().running);
    EXPECT_TRUE(log.contains(QStringLiteral("play() -> true currentTime=0.000000 rate=1.000000")));
    output().consumeAll();
    EXPECT_EQ(output().played, decodedScaled(0, decoded().size(), 0.5f));
}

TEST_F(ChunkPlayerTest, AppliesAVolumeChangeToTheNextSamplesHandedOver) {
    auto player = makePlayer();
    player->play();
    output().consume(20000);
    player->setVolume(0.25f);
    output().consume(1000);
    EXPECT_EQ(std::vector<float>(output().played.begin() + 20000, output().played.end()),
              decodedScaled(20000, 1000, 0.25f));
}

TEST_F(ChunkPlayerTest, ReportsThePositionHeardBehindTheOutputsBuffer) {
    auto player = makePlayer();
    player->play();
    output().consume(44100);
    output().pending = 4410;
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.9);
    output().pending = 0;
    EXPECT_DOUBLE_EQ(player->currentTime(), 1.0);
}

TEST_F(ChunkPlayerTest, SeeksAtOnceAndContinuesFromTheNewPosition) {
    auto player = makePlayer();
    player->play();
    output().consume(10000);
    output().pending = 2000;
    const int startsBefore = output().starts;

    player->setCurrentTime(2.0);
    EXPECT_DOUBLE_EQ(player->currentTime(), 2.0) << "even while older samples are still playing";
    EXPECT_GT(output().starts, startsBefore) << "a playing output pulls again";
    output().consume(4410);
    output().pending = 0;
    EXPECT_DOUBLE_EQ(player->currentTime(), 2.1);
    expectSameSamples(std::vector<float>(output().played.begin() + 10000, output().played.end()),
                      decodedScaled(88200, 4410, 1.0f));

    player->setCurrentTime(99.0);
    EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    player->setCurrentTime(-3.0);
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.0);
}

TEST_F(ChunkPlayerTest, TheHeardPositionOfADamagedStreamEndsWithItsAudio) {
    const QByteArray speech = TestAudio::speechMp3();
    for (const QByteArray& mp3 :
         {speech + TestAudio::stereo22kSpeechMp3(), speech.left(speech.size() / 2 + 5)}) {
        auto player = std::move(Mpg123ChunkPlayer::make(mp3, outputs)).value();
        player->setCurrentTime(0.5);
        player->play();
        output().consume(4410);
        EXPECT_DOUBLE_EQ(player->currentTime(), 0.6);
        output().consumeAll();
        EXPECT_EQ(int64_t(output().played.size()), std::llround(player->duration() * rate) - 22050);
        EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    }
}

int zeroCrossings(const std::vector<float>& samples) {
    int count = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        count += (samples[i - 1] < 0) != (samples[i] < 0);
    return count;
}

TEST_F(ChunkPlayerTest, DoubleSpeedHalvesTheLengthKeepsThePitchAndTracksThePosition) {
    auto player = makePlayer();
    player->setRate(2.0f);
    player->play();
    const auto total = double(decoded().size());
    output().consume(size_t(total / 4));
    EXPECT_NEAR(player->currentTime(), player->duration() / 2, 0.05);
    output().consumeAll();
    EXPECT_NEAR(double(output().played.size()), total / 2, total * 0.01);
    // Resampling would double the frequencies; stretching keeps them.
    EXPECT_NEAR(double(zeroCrossings(output().played)) / double(zeroCrossings(decoded())), 0.5,
                0.1);
}

TEST_F(ChunkPlayerTest, ChangesSpeedMidwayWithoutLosingItsPlace) {
    auto player = makePlayer();
    player->play();
    output().consume(44100);
    player->setRate(0.5f);
    EXPECT_NEAR(player->currentTime(), 1.0, 1e-9);
    output().consume(44100);
    EXPECT_NEAR(player->currentTime(), 1.5, 0.05);
    player->setRate(1.0f);
    output().consume(44100);
    EXPECT_NEAR(player->currentTime(), 2.5, 0.05);
}

double decibels(const std::vector<float>& samples, int64_t end) {
    double sum = 0;
    for (int64_t i = end - meterWindow; i < end; ++i)
        sum += double(samples[size_t(i)]) * samples[size_t(i)];
    return 20 * std::log10(std::sqrt(sum / double(meterWindow)));
}

TEST_F(ChunkPlayerTest, MetersTheSamplesBeingHeard) {
    auto player = makePlayer();
    EXPECT_EQ(player->averagePower(), -160.0f) << "nothing plays yet";
    player->play();
    output().consume(66150);
    output().pending = 22050;
    EXPECT_NEAR(player->averagePower(), decibels(decoded(), 44100), 0.01);
    output().pending = 0;
    EXPECT_NEAR(player->averagePower(), decibels(decoded(), 66150), 0.01);

    player->setVolume(0.5f);
    output().consume(22050);
    EXPECT_NEAR(player->averagePower(), decibels(decoded(), 88200) - 6.0206, 0.01);
    player->pause();
    EXPECT_EQ(player->averagePower(), -160.0f);
}

class ChunkPlayerFinishTest : public ChunkPlayerTest {
protected:
    void SetUp() override {
        player = makePlayer();
        player->setOnFinish([this] {
            ++finishes;
            onMainThread = Base::MainThread::isCurrent();
        });
        player->play();
        output().consumeAll();
    }

    std::unique_ptr<Mpg123ChunkPlayer> player;
    int finishes = 0;
    bool onMainThread = false;
};

TEST_F(ChunkPlayerFinishTest, FinishesOnTheMainThreadAfterTheOutputDrained) {
    std::thread([this] { output().drain(); }).join();
    EXPECT_EQ(finishes, 0) << "never from inside the output's report";
    ASSERT_TRUE(TestSupport::pumpUntil([this] { return finishes > 0; }));
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 1);
    EXPECT_TRUE(onMainThread);
    EXPECT_DOUBLE_EQ(player->currentTime(), player->duration());
    EXPECT_FALSE(output().running);
}

TEST_F(ChunkPlayerFinishTest, RunsTheHandlerSetWhenTheFinishArrives) {
    output().drain();
    bool replacementRan = false;
    player->setOnFinish([&] { replacementRan = true; });
    TestSupport::drainEvents();
    EXPECT_TRUE(replacementRan);
    EXPECT_EQ(finishes, 0);
}

TEST_F(ChunkPlayerFinishTest, AStoppedPlayerNeverReportsItsFinish) {
    output().drain();
    player->stop();
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 0);
}

TEST_F(ChunkPlayerFinishTest, ADroppedPlayersFinishGoesNowhere) {
    output().drain();
    player.reset();
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 0);
}

TEST_F(ChunkPlayerFinishTest, ASeekBeforeTheFinishArrivesCancelsIt) {
    output().drain();
    player->setCurrentTime(1.0);
    TestSupport::drainEvents();
    EXPECT_EQ(finishes, 0);
    EXPECT_TRUE(output().running);
}

TEST_F(ChunkPlayerFinishTest, TheHandlerMayDropThePlayer) {
    player->setOnFinish([this] { player.reset(); });
    output().drain();
    TestSupport::drainEvents();
    EXPECT_EQ(player, nullptr);
}

TEST_F(ChunkPlayerFinishTest, PlayingAgainAfterTheFinishStartsFromTheBeginning) {
    output().drain();
    TestSupport::drainEvents();
    ASSERT_EQ(finishes, 1);
    player->play();
    EXPECT_DOUBLE_EQ(player->currentTime(), 0.0);
    output().played.clear();
    output().consume(1000);
    expectSameSamples(output().played, decodedScaled(0, 1000, 1.0f));
}

// The sound output going away is reported like the finish: later, on the main thread, and only
// while the player plays.
TEST_F(ChunkPlayerTest, ALostOutputIsReportedOnlyWhilePlaying) {
    auto player = makePlayer();
    int failures = 0;
    player->setOnFailure([&] { ++failures; });
    player->play();
    player->pause();
    output().fail();
    TestSupport::drainEvents();
    EXPECT_EQ(failures, 0);

    player->play(); // the output no longer starts
    EXPECT_EQ(failures, 0) << "never from inside play()";
    TestSupport::drainEvents();
    EXPECT_EQ(failures, 1);

    auto second = makePlayer();
    second->setOnFailure([&] { ++failures; });
    second->play();
    std::thread([this] { output().fail(); }).join();
    TestSupport::drainEvents();
    EXPECT_EQ(failures, 2);
}

} // namespace
