#include "ShellTesting.h"

#include <QDir>
#include <QFile>

using namespace Parlino;
using namespace ShellTesting;
using Kind = PlayerViewModel::Phase::Kind;
using SessionKind = Playback::SpeechSession::State::Kind;

namespace {

const QString text = QStringLiteral("Parlino reads this aloud.");

class PlaybackControlsTest : public RootTest {
protected:
    PlaybackControlsTest() {
        root().wirePlayerActions();
        root().wireNowPlaying();
        root().wireAudioHandOver();
        root().nowPlaying().start();
    }

    void startPlaying(const QString& readText = text) {
        read(readText);
        ASSERT_TRUE(pumpUntilPhase(Kind::playing));
    }
    void finishRead() {
        startPlaying();
        ASSERT_TRUE(waitForAudio());
        ASSERT_TRUE(playToEnd());
    }
    void send(RemoteCommand command) {
        nowPlayingCenter->send(command);
        TestSupport::drainEvents();
    }
    SessionKind sessionState() { return root().speechSession()->state().kind(); }
};

TEST_F(PlaybackControlsTest, PlayPauseAndTheMediaKeysPauseAndResumeTheRead) {
    startPlaying();
    player().onPlayPause();
    EXPECT_EQ(phase(), Kind::paused);
    send(RemoteCommand::togglePlayPause);
    EXPECT_EQ(phase(), Kind::playing);
    send(RemoteCommand::pause);
    EXPECT_EQ(phase(), Kind::paused);
    ASSERT_FALSE(nowPlayingCenter->published.isEmpty());
    EXPECT_EQ(nowPlayingCenter->published.last()->state, NowPlayingState::paused);
    send(RemoteCommand::play);
    EXPECT_EQ(phase(), Kind::playing);
}

// A paused read's display tick is not running: each way of seeking shows the new place itself.
TEST_F(PlaybackControlsTest, EverySeekOfAPausedReadShowsTheNewPlaceAtOnce) {
    startPlaying();
    ASSERT_TRUE(waitForAudio());
    ASSERT_TRUE(nowPlayingCenter->published.last()->canSeek);
    send(RemoteCommand::pause);
    const Core::TimedWords words = root().speechSession()->timingIndex().words;
    ASSERT_GE(words.size(), 4);
    const auto shows = [&](double seconds) {
        EXPECT_NEAR(root().speechSession()->elapsed(), seconds, 0.01);
        EXPECT_NEAR(player().progress().elapsed(), seconds, 0.01);
        EXPECT_NEAR(nowPlayingCenter->published.last()->elapsed, seconds, 0.01);
    };

    player().onWordTap(3);
    TestSupport::drainEvents();
    shows(words[3].start);
    EXPECT_EQ(player().currentWordIndex(), 3);

    nowPlayingCenter->sendPosition(0.8);
    TestSupport::drainEvents();
    shows(0.8);
    EXPECT_EQ(player().currentWordIndex(), root().speechSession()->timingIndex().index(0.8));

    // The panel's position slider, set by an assistive tool.
    player().onSeek(0.5);
    shows(0.5);
    EXPECT_EQ(sessionState(), SessionKind::paused);

    player().onWordTap(2);
    send(RemoteCommand::previousTrack);
    shows(0);
    EXPECT_EQ(player().currentWordIndex(), root().speechSession()->timingIndex().index(0));
    EXPECT_EQ(sessionState(), SessionKind::paused);
}

// The finished face must not stay up while the read starts again. The desktop sees a stopped
// player meanwhile, whose Play still starts the read again.
TEST_F(PlaybackControlsTest, PlayingAFinishedReadAgainShowsLoadingBeforeItPlays) {
    finishRead();
    ASSERT_FALSE(nowPlayingCenter->published.isEmpty());
    EXPECT_EQ(nowPlayingCenter->published.last(), std::nullopt);
    phases.clear();
    player().onPlayPause();
    EXPECT_EQ(phases, (QList<Kind>{Kind::loading, Kind::playing}));

    ASSERT_TRUE(playToEnd());
    phases.clear();
    send(RemoteCommand::play);
    EXPECT_EQ(phases, (QList<Kind>{Kind::loading, Kind::playing}));

    ASSERT_TRUE(playToEnd());
    phases.clear();
    player().onReplay();
    EXPECT_EQ(phases, (QList<Kind>{Kind::loading, Kind::playing}));
}

TEST_F(PlaybackControlsTest, RevertReadsAgainWithAProvenVoiceAndASecondPressStartsNothing) {
    Defaults::set(keys().voiceID, QStringLiteral("refused"));
    Defaults::set(keys().provenVoiceIDs, {"refused", "proven"});
    int answered = 0;
    service.on("POST", TestSupport::FakeSpeechService::synthesisRoute(),
               [&](const TestSupport::FakeSpeechService::Request&) {
                   return answered++ == 0 ? TestSupport::FakeSpeechService::Response::error(
                                                404, QStringLiteral("voice_not_found"), {})
                                          : heldAnswer();
               });
    read(text);
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));

    player().onRevert();
    EXPECT_EQ(phase(), Kind::loading);
    EXPECT_EQ(Defaults::get(keys().voiceID), QStringLiteral("proven"));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return synthesisRequests() == 2; }));
    player().onRevert();
    TestSupport::pumpUntil([] { return false; }, 100);
    EXPECT_EQ(synthesisRequests(), 2);
}

TEST_F(PlaybackControlsTest, TheSpeedChipCyclesLogsAndTheObservedSpeedReachesTheRead) {
    root().observePlaybackSpeed();
    Defaults::set(keys().playbackRate, 2.0);
    send(RemoteCommand::nextTrack); // nothing owns the media keys yet
    EXPECT_EQ(Defaults::get(keys().playbackRate), 2.0);
    EXPECT_TRUE(logs.messages(QStringLiteral("pipeline")).filter("playback speed:").isEmpty());

    startPlaying();
    Defaults::set(keys().playbackRate, 2.0);
    player().onRateTap();
    EXPECT_EQ(Defaults::get(keys().playbackRate), 0.5);
    EXPECT_TRUE(
        logs.contains(QStringLiteral("playback speed: 2.000000 -> 0.500000 (source=panelChip)")));
    send(RemoteCommand::skipForward);
    EXPECT_EQ(Defaults::get(keys().playbackRate), 0.75);
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return logs.contains(QStringLiteral("playback speed observed: 0.750000")); }));
    EXPECT_FLOAT_EQ(float(nowPlayingCenter->published.last()->defaultRate), 0.75f);
}

TEST_F(PlaybackControlsTest, MutingSilencesTheReadAndTheSamplesAndNewReadsStartSilent) {
    startPlaying();
    root().audioOutput().setMuted(true);
    time().advance(0.1);
    EXPECT_EQ(factories.last()->gain, 0.0f);
    EXPECT_EQ(root().voiceSamplePlayer().gain(), 0.0f);

    startPlaying(QStringLiteral("A second text."));
    EXPECT_EQ(factories.last()->gain, 0.0f);
}

TEST_F(PlaybackControlsTest, AVoiceSamplePausesTheReadAndAStartingReadStopsTheSample) {
    ASSERT_TRUE(QDir().mkpath(folders.path() + "/bundle"));
    QFile sample(folders.path() + "/bundle/sample.mp3");
    ASSERT_TRUE(sample.open(QIODevice::WriteOnly));
    sample.write(speech);
    sample.close();

    startPlaying();
    root().voiceSamplePlayer().play(QStringLiteral("v"),
                                    VoiceSampleSource::bundled(QStringLiteral("sample.mp3")));
    EXPECT_EQ(sessionState(), SessionKind::paused);
    EXPECT_TRUE(logs.contains(QStringLiteral("audio handover: session yields (paused, never "
                                             "cancelled)")));
    ASSERT_TRUE(TestSupport::pumpUntil([&] {
        return root().voiceSamplePlayer().state().kind() == VoiceSamplePlayer::State::Kind::playing;
    }));

    startPlaying(QStringLiteral("A second text."));
    EXPECT_EQ(root().voiceSamplePlayer().state(), VoiceSamplePlayer::State::idle());
    EXPECT_TRUE(logs.contains(QStringLiteral("audio handover: voice sample yields (stopped)")));
}

TEST_F(PlaybackControlsTest, ClosingAPausedReadClosesThePanelAndKeepsTheSession) {
    startPlaying();
    player().onPlayPause();
    player().onClose();
    EXPECT_EQ(panel->closes, 1);
    EXPECT_EQ(sessionState(), SessionKind::paused);
}

} // namespace
