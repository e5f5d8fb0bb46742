// Everything that steers a running read: the coordinator's pause, the panel's buttons, the media
// keys, the speed, and the hand-over that keeps one audio source sounding at a time.
#include "Parlino/Shell/CompositionRoot.h"

#include "Core/StableHash.h"

#include <QPointer>

namespace Parlino {

namespace {

using SessionState = Playback::SpeechSession::State;

} // namespace

const char* name(SpeedChangeSource source) {
    switch (source) {
    case SpeedChangeSource::panelChip:
        return "panelChip";
    case SpeedChangeSource::clipsChip:
        return "clipsChip";
    case SpeedChangeSource::mediaKey:
        return "mediaKey";
    }
    return "unknown";
}

void CompositionRoot::togglePause() {
    const auto session = speechSession();
    if (!session)
        return;
    switch (session->state().kind()) {
    case SessionState::Kind::finished:
        restartRead();
        break;
    case SessionState::Kind::paused:
        session->resume();
        break;
    case SessionState::Kind::playing:
        session->pause();
        break;
    default:
        break;
    }
}

void CompositionRoot::retryStalled() {
    if (const auto session = speechSession())
        session->retryFailedChunk();
}

// MARK: Wiring

void CompositionRoot::wirePlayerActions() {
    const QPointer self(this);
    auto withRoot = [self](auto action) {
        return [self, action](auto... args) {
            if (self)
                action(*self, args...);
        };
    };
    m_viewModel.onPlayPause = withRoot([](CompositionRoot& root) { root.togglePause(); });
    m_viewModel.onClose = withRoot([](CompositionRoot& root) { root.coordinator().dismiss(); });
    m_viewModel.onRetry = withRoot([](CompositionRoot& root) { root.retryStalled(); });
    m_viewModel.onRevert = withRoot([](CompositionRoot& root) { root.revertVoice(); });
    m_viewModel.onReplay = withRoot([](CompositionRoot& root) { root.restartRead(); });
    m_viewModel.onRateTap = withRoot(
        [](CompositionRoot& root) { root.setPlaybackSpeed(SpeedChangeSource::panelChip); });
    m_viewModel.onConfirmLength =
        withRoot([](CompositionRoot& root, PlayerViewModel::LengthChoice choice) {
            root.coordinator().confirmLength(choice);
        });
    m_viewModel.onWordTap = withRoot([](CompositionRoot& root, qsizetype index) {
        if (const auto session = root.speechSession()) {
            session->seekToWord(index);
            root.showSeek(session);
        }
        root.syncNowPlaying();
    });
    m_viewModel.onSeek = withRoot([](CompositionRoot& root, double seconds) {
        if (const auto session = root.speechSession(); session && session->canSeek()) {
            session->seek(seconds);
            root.showSeek(session);
        }
        root.syncNowPlaying();
    });
    coordinator().onCloseKeepingSession =
        withRoot([](CompositionRoot& root) { root.panelController().closePanelNow(); });
}

void CompositionRoot::wirePanelDecisions() {
    const QPointer self(this);
    PanelControl& panel = panelController();
    panel.setOnOpenLanding(
        [self] { return self ? self->openLandingDecision() : OpenLanding::clips; });
    panel.setOnSessionParkedOnIdleBar([self] {
        if (self)
            self->parkSessionOnIdleBar();
    });
    panel.setIsReadAttachedToPanel([self] { return self && self->isReadAttachedToPanel(); });
}

void CompositionRoot::wireNowPlaying() {
    const QPointer self(this);
    auto command = [self](void (CompositionRoot::*action)()) {
        return [self, action] {
            if (!self)
                return;
            ((*self).*action)();
            self->syncNowPlaying();
        };
    };
    m_nowPlaying.onPlay = command(&CompositionRoot::playFromNowPlaying);
    m_nowPlaying.onPause = command(&CompositionRoot::pauseFromNowPlaying);
    m_nowPlaying.onTogglePlayPause = command(&CompositionRoot::toggleFromNowPlaying);
    m_nowPlaying.onRestart = command(&CompositionRoot::restartFromNowPlaying);
    m_nowPlaying.onCycleSpeed = [self] {
        if (self)
            self->setPlaybackSpeed(SpeedChangeSource::mediaKey);
    };
    m_nowPlaying.onSeek = [self](double seconds) {
        if (!self)
            return;
        self->seekFromNowPlaying(seconds);
        self->syncNowPlaying();
    };
}

void CompositionRoot::wireAudioHandOver() {
    const QPointer self(this);
    m_voiceSamplePlayer.onSampleWillStart = [self] {
        if (self)
            self->voiceSampleWillStart();
    };
    m_voiceSamplePlayer.setGain(m_audioOutput.isMuted() ? 0.0f : 1.0f);
    m_audioOutput.addSink([self](float gain) {
        if (!self)
            return;
        if (const auto session = self->speechSession())
            session->setGain(gain);
        self->m_voiceSamplePlayer.setGain(gain);
    });
}

// Every stored speed reaches the read, from whichever control wrote it.
void CompositionRoot::observePlaybackSpeed() {
    m_speedUpdates = Defaults::updates(keys().playbackRate, false);
    m_speedUpdates.listen(
        [self = QPointer(this)](double rate) {
            if (!self)
                return;
            self->m_log.notice("playback speed observed: %{public}f", rate);
            if (const auto session = self->speechSession())
                session->setRate(float(rate));
            self->syncNowPlaying();
        },
        [](auto) {});
}

// MARK: Controls

void CompositionRoot::setPlaybackSpeed(SpeedChangeSource source) {
    if (source == SpeedChangeSource::mediaKey && nowPlayingOwner() == NowPlayingOwner::none)
        return;
    const double old = Defaults::get(keys().playbackRate);
    const double next = nextPlaybackRate(old);
    Defaults::set(keys().playbackRate, next);
    m_log.notice("playback speed: %{public}f -> %{public}f (source=%{public}s)", old, next,
                 name(source));
    if (const auto session = speechSession())
        session->setRate(float(next));
}

// Reads the text again with the most recent voice known to work. A second press while that read
// is loading starts nothing more.
void CompositionRoot::revertVoice() {
    if (!m_currentText || m_viewModel.phase().kind() == PlayerViewModel::Phase::Kind::loading)
        return;
    const QString current = Defaults::get(keys().voiceID);
    const QString target =
        VoicesModel::revertTarget(current, Defaults::get(keys().provenVoiceIDs),
                                  m_voicesModel.onHoldVoiceIDs(), keys().voiceID.defaultValue());
    m_log.notice("revert: voice idHash=%{public}llu -> %{public}llu", Core::stableHash(current),
                 Core::stableHash(target));
    VoicesModel::selectVoice(target, keys());
    restartRead();
}

void CompositionRoot::openClipInPlayer(const ClipID& id) {
    const auto clip = m_clipLibrary.load(id);
    if (!clip)
        return;
    loadIntoPlayer(clip->text, clip->chunks, clip->words, clip->voiceID, false);
    m_viewModel.setContentMode(PanelContentMode::reading);
}

void CompositionRoot::playFromNowPlaying() {
    const NowPlayingOwner owner = nowPlayingOwner();
    if (owner == NowPlayingOwner::preview && m_activeClipsSurface)
        m_activeClipsSurface->resumePreview();
    if (owner != NowPlayingOwner::session)
        return;
    const auto session = speechSession();
    if (session->state().kind() == SessionState::Kind::finished)
        restartRead();
    else
        session->resume();
}

void CompositionRoot::pauseFromNowPlaying() {
    const NowPlayingOwner owner = nowPlayingOwner();
    if (owner == NowPlayingOwner::session)
        speechSession()->pause();
    else if (owner == NowPlayingOwner::preview && m_activeClipsSurface)
        m_activeClipsSurface->pausePreview();
}

void CompositionRoot::toggleFromNowPlaying() {
    const NowPlayingOwner owner = nowPlayingOwner();
    if (owner == NowPlayingOwner::session)
        return togglePause();
    ClipsViewModel* surface = m_activeClipsSurface;
    if (owner != NowPlayingOwner::preview || !surface || !surface->playingClipID())
        return;
    if (surface->previewPaused())
        surface->resumePreview();
    else
        surface->pausePreview();
}

void CompositionRoot::restartFromNowPlaying() {
    const NowPlayingOwner owner = nowPlayingOwner();
    ClipsViewModel* surface = m_activeClipsSurface;
    if (owner == NowPlayingOwner::preview && surface && surface->playingClipID())
        surface->player().restart(surface->previewPaused());
    else
        seekFromNowPlaying(0);
}

// Only a read seeks; a clip preview publishes that it cannot.
void CompositionRoot::seekFromNowPlaying(double seconds) {
    const auto session = speechSession();
    if (nowPlayingOwner() != NowPlayingOwner::session || !session->canSeek())
        return;
    session->seek(seconds);
    showSeek(session);
}

// The panel shows the new place at once, also while the read is paused and its display tick is
// not running: the time, the bar and the word.
void CompositionRoot::showSeek(const std::shared_ptr<Playback::SpeechSession>& session) {
    if (session->state().kind() == SessionState::Kind::playing)
        m_sessionParkedAt.reset();
    panelTick(session);
}

// MARK: Now Playing and hand-over

NowPlayingOwner CompositionRoot::nowPlayingOwner() const {
    const SessionStateKind session = sessionKind();
    if (session == SessionState::Kind::playing)
        return NowPlayingOwner::session;
    if (m_previewState == PreviewPlaybackState::playing)
        return NowPlayingOwner::preview;
    if (session == SessionState::Kind::loading || session == SessionState::Kind::paused ||
        session == SessionState::Kind::stalled)
        return NowPlayingOwner::session;
    if (m_previewState == PreviewPlaybackState::paused)
        return NowPlayingOwner::preview;
    if (session == SessionState::Kind::finished)
        return NowPlayingOwner::session;
    return NowPlayingOwner::none;
}

void CompositionRoot::syncNowPlaying() {
    const NowPlayingState state = AudioArbiter::nowPlayingState(sessionKind(), m_previewState);
    const float rate = float(Defaults::get(keys().playbackRate));
    switch (nowPlayingOwner()) {
    case NowPlayingOwner::session: {
        const auto session = speechSession();
        m_nowPlaying.update(state, session->elapsed(), session->estimatedTotalDuration().seconds,
                            rate, session->canSeek());
        return;
    }
    case NowPlayingOwner::preview:
        if (m_activeClipsSurface) {
            const LibraryClipPlayer& clip = m_activeClipsSurface->player();
            m_nowPlaying.update(state, clip.elapsed(), clip.totalDuration(), rate, false);
            return;
        }
        break;
    case NowPlayingOwner::none:
        break;
    }
    m_nowPlaying.update(NowPlayingState::stopped, 0, 0, rate, false);
}

void CompositionRoot::handOverForSessionStart() {
    QList<AudioArbiter::Yield> yields;
    if (m_previewState != PreviewPlaybackState::stopped)
        yields.append(AudioArbiter::Yield::stopActivePreview);
    if (m_voiceSamplePlayer.state().kind() == VoiceSamplePlayer::State::Kind::playing)
        yields.append(AudioArbiter::Yield::stopVoiceSample);
    applyYields(yields, m_activeClipsSurface);
}

void CompositionRoot::voiceSampleWillStart() {
    QList<AudioArbiter::Yield> yields;
    if (sessionKind() == SessionState::Kind::playing)
        yields.append(AudioArbiter::Yield::pauseSession);
    if (m_previewState != PreviewPlaybackState::stopped)
        yields.append(AudioArbiter::Yield::stopActivePreview);
    applyYields(yields, m_activeClipsSurface);
    syncNowPlaying();
}

// The list that plays or pauses a preview holds the audio; a stop counts only from that list.
void CompositionRoot::previewStateChanged(PreviewPlaybackState state, ClipsViewModel& surface) {
    QList<AudioArbiter::Yield> yields;
    if (state == PreviewPlaybackState::playing)
        yields = AudioArbiter::yields(
            AudioArbiter::Source::clipsPreview(m_activeClipsSurface == &surface), sessionKind(),
            m_previewState,
            m_voiceSamplePlayer.state().kind() == VoiceSamplePlayer::State::Kind::playing);
    const QPointer<ClipsViewModel> previous = m_activeClipsSurface;
    if (state == PreviewPlaybackState::stopped) {
        if (previous && previous != &surface)
            return;
        m_activeClipsSurface = nullptr;
    } else {
        m_activeClipsSurface = &surface;
    }
    m_previewState = state;
    applyYields(yields, previous);
    syncNowPlaying();
}

void CompositionRoot::attachClipsSurface(ClipsViewModel& surface) {
    surface.onPreviewStateChange = [self = QPointer(this),
                                    list = QPointer(&surface)](PreviewPlaybackState state) {
        if (self && list)
            self->previewStateChanged(state, *list);
    };
    surface.onOpenInPlayer = [self = QPointer(this)](const ClipID& id) {
        if (self)
            self->openClipInPlayer(id);
    };
}

// A session only ever yields by pausing, never by being cancelled.
void CompositionRoot::applyYields(const QList<AudioArbiter::Yield>& yields,
                                  ClipsViewModel* surface) {
    for (const AudioArbiter::Yield yield : yields) {
        switch (yield) {
        case AudioArbiter::Yield::pauseSession:
            m_log.notice("audio handover: session yields (paused, never cancelled)");
            if (const auto session = speechSession())
                session->pause();
            break;
        case AudioArbiter::Yield::stopActivePreview:
            m_log.notice("audio handover: active preview yields (stopped)");
            if (surface)
                surface->stop();
            break;
        case AudioArbiter::Yield::stopVoiceSample:
            m_log.notice("audio handover: voice sample yields (stopped)");
            m_voiceSamplePlayer.stop();
            break;
        }
    }
}

} // namespace Parlino
