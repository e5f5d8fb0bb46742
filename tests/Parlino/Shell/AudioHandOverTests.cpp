#include "ShellTesting.h"

#include "support/FakeChunkPlayer.h"

using namespace Parlino;
using namespace ShellTesting;
using Kind = PlayerViewModel::Phase::Kind;
using SessionKind = Playback::SpeechSession::State::Kind;

namespace {

class AudioHandOverTest : public RootTest {
protected:
    AudioHandOverTest() {
        root().wirePlayerActions();
        root().wireNowPlaying();
        root().nowPlaying().start();
        root().attachClipsSurface(panelClips);
        root().attachClipsSurface(windowClips);
        first = *root().clipLibrary().save(QStringLiteral("First clip."),
                                           {{TestSupport::FakeChunkPlayerFactory::audio(3), 3}}, {},
                                           QStringLiteral("v"), std::nullopt);
        second = *root().clipLibrary().save(QStringLiteral("Second clip."),
                                            {{TestSupport::FakeChunkPlayerFactory::audio(2), 2}},
                                            {}, QStringLiteral("v"), std::nullopt);
    }
    void startPlaying() {
        read(QStringLiteral("Parlino reads this aloud."));
        ASSERT_TRUE(pumpUntilPhase(Kind::playing));
    }
    void send(RemoteCommand command) {
        nowPlayingCenter->send(command);
        TestSupport::drainEvents();
    }

    ClipsViewModel panelClips{root().clipLibrary(), &root().audioOutput(),
                              std::make_unique<TestSupport::FakeChunkPlayerFactory>(), keys()};
    ClipsViewModel windowClips{root().clipLibrary(), &root().audioOutput(),
                               std::make_unique<TestSupport::FakeChunkPlayerFactory>(), keys()};
    ClipID first;
    ClipID second;
};

TEST_F(AudioHandOverTest, APreviewPausesThePlayingReadAndPlayingTheReadAgainStopsThePreview) {
    startPlaying();
    panelClips.toggle(first);
    EXPECT_EQ(root().speechSession()->state().kind(), SessionKind::paused);
    EXPECT_EQ(root().nowPlayingOwner(), NowPlayingOwner::preview);
    // A preview cannot seek, and a position the desktop asks for anyway leaves the read alone.
    EXPECT_FALSE(nowPlayingCenter->published.last()->canSeek);
    const double heard = root().speechSession()->elapsed();
    nowPlayingCenter->sendPosition(heard + 1);
    TestSupport::drainEvents();
    EXPECT_EQ(root().speechSession()->elapsed(), heard);

    player().onPlayPause();
    EXPECT_EQ(phase(), Kind::playing);
    EXPECT_FALSE(panelClips.playingClipID());
    EXPECT_EQ(root().nowPlayingOwner(), NowPlayingOwner::session);
}

TEST_F(AudioHandOverTest, APreviewInAnotherListStopsTheFirstWhoseLateStopChangesNothing) {
    panelClips.toggle(first);
    windowClips.toggle(second);
    EXPECT_FALSE(panelClips.playingClipID());
    EXPECT_EQ(windowClips.playingClipID(), second);
    EXPECT_EQ(root().nowPlayingOwner(), NowPlayingOwner::preview);

    panelClips.onPreviewStateChange(PreviewPlaybackState::stopped);
    send(RemoteCommand::pause);
    EXPECT_TRUE(windowClips.previewPaused());
    EXPECT_EQ(nowPlayingCenter->published.last()->state, NowPlayingState::paused);
    send(RemoteCommand::togglePlayPause);
    EXPECT_FALSE(windowClips.previewPaused());
}

TEST_F(AudioHandOverTest, ACancelledReadWithAPausedPreviewLeavesNowPlayingToThePreview) {
    startPlaying();
    root().stopSession();
    windowClips.toggle(second);
    windowClips.pausePreview();
    EXPECT_EQ(root().nowPlayingOwner(), NowPlayingOwner::preview);
    windowClips.stop();
    EXPECT_EQ(root().nowPlayingOwner(), NowPlayingOwner::none);
    EXPECT_EQ(nowPlayingCenter->published.last(), std::nullopt);
}

TEST_F(AudioHandOverTest, AClipOpenedFromAListLoadsPausedOnTheReadingPage) {
    player().setContentMode(PanelContentMode::clips);
    const ClipID spoken = *root().clipLibrary().save(QStringLiteral("Spoken clip."), {{speech, 5}},
                                                     {}, QStringLiteral("v"), std::nullopt);
    windowClips.onOpenInPlayer(spoken);
    EXPECT_EQ(root().currentText(), QStringLiteral("Spoken clip."));
    EXPECT_EQ(phase(), Kind::paused);
    EXPECT_EQ(player().contentMode(), PanelContentMode::reading);
}

} // namespace
