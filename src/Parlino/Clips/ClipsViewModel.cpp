#include "Parlino/Clips/ClipsViewModel.h"

#include "Base/Log.h"
#include "Parlino/Services/AudioOutput.h"

#include <QPointer>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("pipeline"));

template <class T, class Signal>
void assign(ClipsViewModel* model, T& field, T value, Signal changed) {
    if (field == value)
        return;
    field = std::move(value);
    emit(model->*changed)();
}

} // namespace

ClipsViewModel::ClipsViewModel(ClipLibrary& clipLibrary, AudioOutput* audioOutput,
                               std::unique_ptr<Playback::ChunkPlayerFactory> players,
                               const SettingsKeys& keys, QObject* parent)
    : QObject(parent), m_clipLibrary(clipLibrary), m_keys(keys), m_player(std::move(players), keys),
      m_playbackRateUpdates(Defaults::updates(keys.playbackRate, false)) {
    // The player and the stream belong to this model: their handlers cannot outlive it.
    m_player.onFinish = [this] { playerDidFinish(); };
    m_player.onUndecodable = [this] {
        if (m_playingClipID)
            markPlayable(*m_playingClipID, false);
    };
    // A speed changed anywhere reaches the clip playing here.
    m_playbackRateUpdates.listen(
        [this](double rate) {
            if (auto* chunk = m_player.current())
                chunk->setRate(float(rate));
        },
        [](std::optional<std::monostate>) {});
    if (audioOutput) {
        audioOutput->addSink([self = QPointer(this)](float gain) {
            if (self)
                self->m_player.applyGain(gain);
        });
        m_player.applyGain(audioOutput->isMuted() ? 0.0f : 1.0f);
    }
}

void ClipsViewModel::setClips(QList<ClipSummary> clips) {
    assign(this, m_clips, std::move(clips), &ClipsViewModel::clipsChanged);
}

void ClipsViewModel::setPlayingClipID(std::optional<ClipID> id) {
    assign(this, m_playingClipID, std::move(id), &ClipsViewModel::playingClipIDChanged);
}

void ClipsViewModel::setPreviewPaused(bool paused) {
    assign(this, m_previewPaused, paused, &ClipsViewModel::previewPausedChanged);
}

void ClipsViewModel::setExpandedClipID(std::optional<ClipID> id) {
    assign(this, m_expandedClipID, std::move(id), &ClipsViewModel::expandedClipIDChanged);
}

void ClipsViewModel::setFullTextCache(QHash<ClipID, QString> cache) {
    assign(this, m_fullTextCache, std::move(cache), &ClipsViewModel::fullTextCacheChanged);
}

void ClipsViewModel::reload() {
    m_animatesChanges = true;
    showLibraryClips();
    m_animatesChanges = false;
}

void ClipsViewModel::reloadImmediately() {
    showLibraryClips();
    m_clipLibrary.refresh(this, [this] { setClips(m_clipLibrary.clips()); });
}

void ClipsViewModel::showLibraryClips() {
    setExpandedClipID(std::nullopt);
    setFullTextCache({});
    setClips(m_clipLibrary.clips());
}

void ClipsViewModel::whenListed(std::function<void()> ready) {
    m_clipLibrary.whenListed(this, std::move(ready));
}

void ClipsViewModel::toggle(const ClipID& id) {
    if (m_playingClipID == id) {
        stop();
        return;
    }
    auto clip = m_clipLibrary.load(id);
    if (!clip) {
        // The library has taken it off its listing.
        reload();
        return;
    }
    markPlayable(id, true);
    setPlayingClipID(id);
    setPreviewPaused(false);
    m_player.play(std::move(clip->chunks));
    // A clip whose first chunk does not decode has already finished and reported it.
    if (m_playingClipID == id)
        report(PreviewPlaybackState::playing);
}

void ClipsViewModel::stop() {
    m_player.stop();
    if (!m_playingClipID)
        return;
    setPlayingClipID(std::nullopt);
    setPreviewPaused(false);
    report(PreviewPlaybackState::stopped);
}

void ClipsViewModel::pausePreview() {
    if (!m_playingClipID || m_previewPaused)
        return;
    if (auto* chunk = m_player.current())
        chunk->pause();
    setPreviewPaused(true);
    report(PreviewPlaybackState::paused);
}

void ClipsViewModel::resumePreview() {
    if (!m_playingClipID || !m_previewPaused)
        return;
    if (auto* chunk = m_player.current())
        chunk->play();
    setPreviewPaused(false);
    report(PreviewPlaybackState::playing);
}

void ClipsViewModel::setExpanded(const ClipSummary& clip, bool wantsExpand) {
    if (!wantsExpand || m_expandedClipID == clip.id) {
        if (onOpenInPlayer)
            onOpenInPlayer(clip.id);
        return;
    }
    if (!m_fullTextCache.contains(clip.id)) {
        const auto loaded = m_clipLibrary.load(clip.id);
        auto cache = m_fullTextCache;
        cache.insert(clip.id, loaded ? loaded->text : clip.preview);
        setFullTextCache(std::move(cache));
    }
    setExpandedClipID(clip.id);
}

void ClipsViewModel::cycleSpeed() {
    const double old = Defaults::get(m_keys.playbackRate);
    const double next = nextPlaybackRate(old);
    Defaults::set(m_keys.playbackRate, next);
    log.notice("playback speed: %{public}f -> %{public}f (source=%{public}s)", old, next,
               "clipsChip");
    if (auto* chunk = m_player.current())
        chunk->setRate(float(next));
}

void ClipsViewModel::clearAll() {
    stop();
    const QList<ClipSummary> clips = m_clipLibrary.clips();
    for (const ClipSummary& clip : clips)
        m_clipLibrary.deleteClip(clip.id);
    reload();
}

void ClipsViewModel::deleteClip(const ClipSummary& clip) {
    if (m_playingClipID == clip.id)
        stop();
    m_clipLibrary.deleteClip(clip.id);
    reload();
}

void ClipsViewModel::playerDidFinish() {
    setPlayingClipID(std::nullopt);
    setPreviewPaused(false);
    report(PreviewPlaybackState::stopped);
}

void ClipsViewModel::markPlayable(const ClipID& id, bool playable) {
    if (playable == !m_unplayableClipIDs.contains(id))
        return;
    if (playable)
        m_unplayableClipIDs.remove(id);
    else
        m_unplayableClipIDs.insert(id);
    emit unplayableClipIDsChanged();
}

void ClipsViewModel::report(PreviewPlaybackState state) {
    if (auto handler = onPreviewStateChange)
        handler(state);
}

} // namespace Parlino
