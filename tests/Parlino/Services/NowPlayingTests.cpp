#include "Parlino/Services/AudioArbiter.h"
#include "Parlino/Services/NowPlayingCoordinator.h"

#include "support/EventLoop.h"
#include "support/FakeNowPlayingCenter.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using namespace Parlino;
using AudioArbiter::Source;
using AudioArbiter::Yield;
using Preview = PreviewPlaybackState;
using Session = Playback::SpeechSession::State::Kind;

TEST(AudioArbiter, AClipPreviewOnTheActiveSurfacePausesAPlayingReadAndStopsASample) {
    const auto onActive = Source::clipsPreview(true);
    EXPECT_EQ(AudioArbiter::yields(onActive, Session::playing, Preview::paused, false),
              QList<Yield>{Yield::pauseSession});
    EXPECT_EQ(AudioArbiter::yields(onActive, Session::playing, Preview::playing, true),
              (QList<Yield>{Yield::pauseSession, Yield::stopVoiceSample}));
}

TEST(AudioArbiter, AClipPreviewOnAnotherSurfaceStopsTheActivePreview) {
    EXPECT_EQ(
        AudioArbiter::yields(Source::clipsPreview(false), std::nullopt, Preview::paused, false),
        QList<Yield>{Yield::stopActivePreview});
}

TEST(AudioArbiter, AReadStartingStopsAPausedPreviewAndNeverPausesItself) {
    EXPECT_EQ(AudioArbiter::yields(Source::session(), Session::playing, Preview::paused, false),
              QList<Yield>{Yield::stopActivePreview});
    EXPECT_EQ(AudioArbiter::yields(Source::session(), Session::playing, Preview::stopped, true),
              QList<Yield>{Yield::stopVoiceSample});
}

TEST(AudioArbiter, OnlyAPlayingSessionIsPaused) {
    for (Session state : {Session::loading, Session::paused, Session::finished, Session::stalled})
        EXPECT_TRUE(
            AudioArbiter::yields(Source::voiceSample(), state, Preview::stopped, false).isEmpty());
    EXPECT_TRUE(
        AudioArbiter::yields(Source::clipsPreview(true), Session::loading, Preview::stopped, false)
            .isEmpty());
}

TEST(AudioArbiter, NowPlayingFoldsTheReadAndThePreview) {
    EXPECT_EQ(AudioArbiter::nowPlayingState(Session::paused, Preview::playing),
              NowPlayingState::playing);
    for (Session held : {Session::loading, Session::paused, Session::stalled})
        EXPECT_EQ(AudioArbiter::nowPlayingState(held, Preview::stopped), NowPlayingState::paused);
    EXPECT_EQ(AudioArbiter::nowPlayingState(Session::finished, Preview::stopped),
              NowPlayingState::stopped);
    EXPECT_EQ(AudioArbiter::nowPlayingState(Session::finished, Preview::paused),
              NowPlayingState::paused);
    EXPECT_EQ(AudioArbiter::nowPlayingState(Session::cancelled, Preview::paused),
              NowPlayingState::paused);
    EXPECT_EQ(AudioArbiter::nowPlayingState(Session::cancelled, Preview::stopped),
              NowPlayingState::stopped);
    EXPECT_EQ(AudioArbiter::nowPlayingState(std::nullopt, Preview::stopped),
              NowPlayingState::stopped);
}

struct NowPlayingCoordinatorTest : ::testing::Test {
    TestSupport::FakeNowPlayingCenter center;
    NowPlayingCoordinator coordinator{center};
    TestSupport::LogCapture logs;
};

TEST_F(NowPlayingCoordinatorTest, CommandsReachTheirCallbacksLaterFromTheEventLoop) {
    QStringList calls;
    coordinator.onPlay = [&] { calls << "play"; };
    coordinator.onPause = [&] { calls << "pause"; };
    coordinator.onTogglePlayPause = [&] { calls << "toggle"; };
    coordinator.onCycleSpeed = [&] { calls << "speed"; };
    coordinator.onRestart = [&] { calls << "restart"; };
    coordinator.onSeek = [&](double seconds) { calls << QString("seek %1").arg(seconds); };
    coordinator.start();
    for (RemoteCommand command :
         {RemoteCommand::play, RemoteCommand::pause, RemoteCommand::togglePlayPause,
          RemoteCommand::nextTrack, RemoteCommand::skipForward, RemoteCommand::previousTrack,
          RemoteCommand::skipBackward})
        center.send(command);
    center.sendPosition(2.5);
    EXPECT_TRUE(calls.isEmpty());
    TestSupport::drainEvents();
    EXPECT_EQ(calls, (QStringList{"play", "pause", "toggle", "speed", "speed", "restart", "restart",
                                  "seek 2.5"}));
    EXPECT_EQ(logs.messages("media-keys").first(), "remote command: play");
    EXPECT_EQ(logs.messages("media-keys").last(),
              "remote command: changePlaybackPosition 2.500000");
}

TEST_F(NowPlayingCoordinatorTest, ACommandBeforeTheCallbacksAreSetOnlyLogs) {
    coordinator.start();
    center.send(RemoteCommand::togglePlayPause);
    TestSupport::drainEvents();
    EXPECT_EQ(logs.messages("media-keys"), QStringList{"remote command: togglePlayPause"});
}

TEST_F(NowPlayingCoordinatorTest, PausedShowsARateOfZeroAndKeepsTheSpeedAsDefault) {
    coordinator.update(NowPlayingState::paused, 3, 10, 1.5f, true);
    ASSERT_EQ(center.published.size(), 1);
    EXPECT_EQ(center.published[0],
              (NowPlayingInfo{"Parlino", NowPlayingState::paused, 10, 3, 0.0, 1.5, true}));
    coordinator.update(NowPlayingState::playing, 4, 10, 1.5f, false);
    EXPECT_EQ(center.published[1]->rate, 1.5);
    EXPECT_EQ(logs.messages("media-keys"),
              (QStringList{"now playing update: paused", "now playing update: playing"}));
}

TEST_F(NowPlayingCoordinatorTest, StoppedClearsTheDisplay) {
    coordinator.update(NowPlayingState::stopped, 3, 10, 1.0f, true);
    EXPECT_EQ(center.published, QList<std::optional<NowPlayingInfo>>{std::nullopt});
    EXPECT_TRUE(logs.contains("now playing update: stopped"));
}

} // namespace
