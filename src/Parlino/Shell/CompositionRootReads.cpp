// The read itself: starting it from the cache or the service, loading stored audio, and what the
// session's events do to the player, the cache, the clips and the last read.
#include "Parlino/Shell/CompositionRoot.h"

#include "Core/CacheKey.h"
#include "Core/SentenceChunker.h"
#include "Core/StableHash.h"
#include "Parlino/Services/SynthesisModelChoice.h"
#include "Playback/GlowMapping.h"
#include "TTS/ElevenLabsProvider.h"

#include <QPointer>

#include <limits>

namespace Parlino {

namespace {

using Playback::SpeechSession;
using SessionState = SpeechSession::State;

const QList<double> retryDelays{1.0, 3.0};
// Texts up to this length are chunked and keyed at once, well within a frame.
constexpr qsizetype preparedOnTheMainThread = 100'000;

QList<AudioChunk> audioChunks(const QList<SpeechSession::ChunkAudio>& chunks) {
    QList<AudioChunk> result;
    result.reserve(chunks.size());
    for (const auto& chunk : chunks)
        result.append({chunk.audio, chunk.duration});
    return result;
}

QList<SpeechSession::ChunkAudio> sessionChunks(const QList<AudioChunk>& chunks) {
    QList<SpeechSession::ChunkAudio> result;
    result.reserve(chunks.size());
    for (const auto& chunk : chunks)
        result.append({chunk.audio, chunk.duration});
    return result;
}

QString modelIDFromSettings(const SettingsKeys& keys) {
    return SynthesisModelChoices::modelID(
        SynthesisModelChoices::fromStoredValue(Defaults::get(keys.synthesisModel)));
}

QString cacheKey(const QString& text, const QString& voice, const QString& modelID) {
    return Core::CacheKey::make(text, Core::VoiceID{voice},
                                {modelID, CompositionRoot::outputFormat});
}

// A read that plays proves its voice; one refused for its voice un-proves it. Only the settings
// are touched, so this holds even after the root is gone.
void noteVoiceOutcome(const SettingsKeys& keys, const SessionState& state, const QString& voice,
                      const Base::Log& log) {
    if (state.kind() == SessionState::Kind::playing) {
        Defaults::set(keys.provenVoiceIDs,
                      VoicesModel::insertingRecent(voice, Defaults::get(keys.provenVoiceIDs)));
        return;
    }
    if (state.kind() != SessionState::Kind::stalled || !state.error())
        return;
    const Core::TTSError& error = *state.error();
    const bool voiceRefused =
        (error.kind() == Core::TTSError::Kind::providerFault && error.status() == 404) ||
        error.kind() == Core::TTSError::Kind::accountInProbation ||
        error.kind() == Core::TTSError::Kind::insufficientPermissions;
    if (!voiceRefused)
        return;
    Defaults::set(keys.provenVoiceIDs,
                  VoicesModel::removingVoice(voice, Defaults::get(keys.provenVoiceIDs)));
    log.notice("read failed on its voice (idHash=%{public}llu) — dropped from recents",
               Core::stableHash(voice));
}

// Chunks are packed small, so that the first one is spoken soon, and none is longer than the
// provider takes, whatever the length of a sentence.
QList<Core::Chunk> chunked(const QString& text, const Core::ProviderCapabilities& provider) {
    return Core::SentenceChunker::chunk(text, CompositionRoot::chunkBound, provider.maxChunkChars);
}

// The chunks that `storedCount` chunks of stored audio of `text` were made for: the text's
// `chunks`, or, for audio stored before sentences longer than one request were cut, the chunks
// of whole sentences. None when they fit neither.
std::optional<QList<Core::Chunk>>
chunksOfStoredAudio(const QString& text, const QList<Core::Chunk>& chunks, qsizetype storedCount) {
    if (storedCount == chunks.size())
        return chunks;
    auto wholeSentences = Core::SentenceChunker::chunk(text, CompositionRoot::chunkBound,
                                                       std::numeric_limits<qsizetype>::max());
    if (wholeSentences.size() == storedCount)
        return wholeSentences;
    return std::nullopt;
}

bool isLive(SessionState::Kind kind) {
    return kind != SessionState::Kind::finished && kind != SessionState::Kind::cancelled;
}

} // namespace

// MARK: Read start

void CompositionRoot::startRead(const QString& text) {
    beginRead(text, CacheUse::lookUp);
}

void CompositionRoot::beginRead(const QString& text, CacheUse cacheUse) {
    detachSession(m_session);
    if (m_session)
        m_session->cancel();
    m_currentText = text;
    m_sessionParkedAt.reset();
    m_cachedReadKey.reset();
    m_freshRead.cancel();

    const QString modelID = modelIDFromSettings(keys());
    const QString savedVoice = Defaults::get(keys().voiceID);
    const QString voice = Rendition::forNextRead(keys(), m_voicesModel).voiceID;
    if (voice != savedVoice)
        m_log.notice("startRead: saved voice unavailable (idHash=%{public}llu) — using default "
                     "voice",
                     Core::stableHash(savedVoice));
    m_currentRendition = Rendition{voice, modelID};

    // The previous read's words must not show over this one while it loads.
    m_viewModel.setCurrentWordIndex(std::nullopt);
    m_viewModel.setTimingWords({});
    const quint64 read = ++m_readGeneration;
    auto provider = makeProvider();
    const auto prepare = [text, voice, modelID, capabilities = provider->capabilities()] {
        return PreparedRead{chunked(text, capabilities), cacheKey(text, voice, modelID)};
    };
    if (text.size() <= preparedOnTheMainThread) {
        beginPreparedRead(text, voice, modelID, cacheUse, std::move(provider), prepare());
        return;
    }
    // Chunking and keying take time in proportion to the text: a long one is prepared on a
    // worker while the panel stays live, and starts unless another read or a stop came since.
    m_worker.run(*this, prepare,
                 [this, read, text, voice, modelID, cacheUse,
                  provider = std::move(provider)](const PreparedRead& prepared) {
                     if (m_readGeneration == read)
                         beginPreparedRead(text, voice, modelID, cacheUse, provider, prepared);
                 });
}

void CompositionRoot::beginPreparedRead(const QString& text, const QString& voice,
                                        const QString& modelID, CacheUse cacheUse,
                                        std::shared_ptr<Core::TTSProvider> provider,
                                        const PreparedRead& prepared) {
    const auto& [chunks, key] = prepared;
    m_log.notice("startRead: textLength=%{public}ld chunkCount=%{public}ld "
                 "voiceIdHash=%{public}llu",
                 text.size(), chunks.size(), Core::stableHash(voice));
    const auto cached = cacheUse == CacheUse::lookUp ? m_cache.lookup(key) : std::nullopt;
    const auto storedChunks =
        cached ? chunksOfStoredAudio(text, chunks, cached->chunks.size()) : std::nullopt;
    auto session =
        makeSession(std::move(provider), text, storedChunks.value_or(chunks), voice, modelID, key);
    replaceSession(session);
    m_lastPlayed = LastPlayed{text, voice, std::nullopt, std::nullopt, std::nullopt};
    if (storedChunks) {
        m_log.notice("cache hit: chunkCount=%{public}ld", storedChunks->size());
        m_cachedReadKey = key;
        const Core::TimedWords& words = cached->words;
        m_viewModel.setTimingWords(words);
        m_lastPlayed = LastPlayed{text, voice, cached->chunks, words, std::nullopt};
        session->load(sessionChunks(cached->chunks), words, true);
    } else {
        m_log.notice("cache miss");
        // The audio waits on disk for its turn; the cache entry and the clip link its files.
        session->setAudioKeeper(
            [staged = m_cache.stageRead()](qsizetype index, const QByteArray& audio) {
                return staged->keep(index, audio);
            });
        session->startSynthesis();
    }
    finishStart();
}

void CompositionRoot::loadIntoPlayer(const QString& text, const QList<AudioChunk>& chunks,
                                     const Core::TimedWords& words, const QString& voiceID,
                                     bool autoplay) {
    detachSession(m_session);
    if (m_session)
        m_session->cancel();
    m_currentText = text;
    m_currentRendition = Rendition{voiceID, std::nullopt};
    m_sessionParkedAt.reset();
    m_cachedReadKey.reset();
    m_freshRead.cancel();
    ++m_readGeneration;

    const QString modelID = modelIDFromSettings(keys());
    auto provider = makeProvider();
    const auto textChunks =
        chunksOfStoredAudio(text, chunked(text, provider->capabilities()), chunks.size());
    if (!textChunks) {
        m_viewModel.setText(text);
        m_viewModel.setPhase(PlayerViewModel::Phase::loading());
        m_log.error("loadIntoPlayer: chunk count drift — falling back to a fresh read");
        startRead(text);
        return;
    }
    auto session = makeSession(std::move(provider), text, *textChunks, voiceID, modelID,
                               cacheKey(text, voiceID, modelID));
    replaceSession(session);
    m_viewModel.setText(text);
    m_viewModel.setPhase(PlayerViewModel::Phase::loading());
    m_viewModel.setCurrentWordIndex(std::nullopt);
    m_viewModel.setTimingWords(words);
    m_lastPlayed = LastPlayed{text, voiceID, chunks, words, std::nullopt};
    session->load(sessionChunks(chunks), words, autoplay);
    finishStart();
}

std::shared_ptr<Core::TTSProvider> CompositionRoot::makeProvider() {
    return std::make_shared<TTS::ElevenLabsProvider>(endpoint(), *m_services.network);
}

std::shared_ptr<SpeechSession>
CompositionRoot::makeSession(std::shared_ptr<Core::TTSProvider> provider, const QString& text,
                             const QList<Core::Chunk>& chunks, const QString& voice,
                             const QString& modelID, const QString& key) {
    auto session = SpeechSession::create(text, chunks, std::move(provider),
                                         m_services.makeChunkPlayers(), Core::VoiceID{voice},
                                         {modelID, outputFormat}, retryDelays, m_scheduler);
    session->setGain(m_audioOutput.isMuted() ? 0.0f : 1.0f);

    const QPointer self(this);
    session->onStateChange = [self, settings = m_configuration.keys, log = m_log,
                              voice](const SessionState& state) {
        noteVoiceOutcome(*settings, state, voice, log);
        if (self)
            self->sessionStateChanged(state);
    };
    session->onWordIndexChange = [self](std::optional<qsizetype> index) {
        if (self)
            self->m_viewModel.setCurrentWordIndex(index);
    };
    session->onGlowLevel = [self](float decibels) {
        if (self)
            self->glowLevelChanged(decibels);
    };
    session->onUtteranceComplete = [self, key, text, voice,
                                    modelID](const QList<SpeechSession::ChunkAudio>& audio,
                                             const Core::TimedWords& words) {
        if (self)
            self->utteranceCompleted(audio, words, key, text, voice, modelID);
    };
    panelController().setOnTick([self, weak = std::weak_ptr(session)] {
        if (self)
            self->panelTick(weak);
    });
    return session;
}

void CompositionRoot::replaceSession(std::shared_ptr<SpeechSession> session) {
    m_session = std::make_shared<SpeechReadSession>(std::move(session));
    m_saveFailureNotice.readStarted();
}

void CompositionRoot::showProgress(const SpeechSession& session) {
    const auto total = session.estimatedTotalDuration();
    m_viewModel.progress().update(session.elapsed(), total.seconds, total.isExact);
}

// What every start ends with: the read's speed and progress, the panel's attachment, the
// hand-over. The display tick runs only while a read plays, so a read that stalls or waits
// paused before its first frame would otherwise show the previous read's progress.
void CompositionRoot::finishStart() {
    const double rate = Defaults::get(keys().defaultPlaybackRate);
    Defaults::set(keys().playbackRate, rate);
    if (const auto session = speechSession()) {
        session->setRate(float(rate));
        showProgress(*session);
    }
    panelController().readAttached();
    handOverForSessionStart();
    syncNowPlaying();
}

// Starts the current text again, showing it as loading at once so that the finished or stalled
// face does not stay up during synthesis.
void CompositionRoot::restartRead() {
    if (!m_currentText)
        return;
    m_viewModel.setPhase(PlayerViewModel::Phase::loading());
    startRead(*m_currentText);
}

void CompositionRoot::detachSession(const std::shared_ptr<ReadSession>& session) {
    const auto speech = std::dynamic_pointer_cast<SpeechReadSession>(session);
    if (!speech)
        return;
    SpeechSession& detached = *speech->session();
    detached.onStateChange = nullptr;
    detached.onWordIndexChange = nullptr;
    detached.onGlowLevel = nullptr;
    detached.onUtteranceComplete = nullptr;
    if (m_panelController)
        m_panelController->setOnTick({});
}

void CompositionRoot::stopSession() {
    detachSession(m_session);
    if (m_session)
        m_session->cancel();
    m_session.reset();
    m_currentText.reset();
    m_currentRendition.reset();
    m_sessionParkedAt.reset();
    m_cachedReadKey.reset();
    m_freshRead.cancel();
    ++m_readGeneration;
    releaseStagedAudio();
    syncNowPlaying();
}

// A read's audio waits in its staging folder as it arrives, which goes once nothing holds it: a
// stopped read is replayed from its cache entry, or not at all while that is still being written.
void CompositionRoot::releaseStagedAudio() {
    if (!m_lastPlayed || !m_lastPlayed->stagedKey)
        return;
    const QString key = *std::exchange(m_lastPlayed->stagedKey, std::nullopt);
    auto stored = m_cache.isStoring() ? std::nullopt : m_cache.lookup(key);
    if (stored && m_lastPlayed->chunks && stored->chunks.size() == m_lastPlayed->chunks->size())
        m_lastPlayed->chunks = std::move(stored->chunks);
    else
        m_lastPlayed->chunks.reset();
}

// MARK: Session events

void CompositionRoot::sessionStateChanged(const SessionState& state) {
    using Phase = PlayerViewModel::Phase;
    switch (state.kind()) {
    case SessionState::Kind::loading:
        m_viewModel.setPhase(Phase::loading());
        break;
    case SessionState::Kind::playing:
        m_viewModel.setPhase(Phase::playing());
        handOverForSessionStart();
        break;
    case SessionState::Kind::paused:
        m_viewModel.setPhase(Phase::paused());
        break;
    case SessionState::Kind::finished:
        m_finishedAt = m_clock.now();
        m_viewModel.setPhase(Phase::finished());
        break;
    case SessionState::Kind::cancelled:
        m_viewModel.setPhase(Phase::hidden());
        break;
    case SessionState::Kind::stalled:
        if (m_cachedReadKey && state.error() == SpeechSession::audioDecodeFailed())
            replaceUndecodableCachedRead();
        else
            m_viewModel.setPhase(Phase::stalled(state.error().value_or(
                Core::TTSError::providerFault(0, QStringLiteral("unknown")))));
        break;
    }
    syncNowPlaying();
}

// A cached read whose audio does not decode (damaged on disk since it was stored) is removed and
// read afresh from the service. The fresh read skips the cache, so this happens once per read;
// it starts after the failing session's call has returned.
void CompositionRoot::replaceUndecodableCachedRead() {
    m_cache.remove(*std::exchange(m_cachedReadKey, std::nullopt));
    m_log.error("cache entry does not decode — removed, reading afresh");
    m_viewModel.setPhase(PlayerViewModel::Phase::loading());
    m_freshRead = m_scheduler.after(
        0, [this, text = m_currentText.value_or(QString())] { beginRead(text, CacheUse::skip); });
}

void CompositionRoot::glowLevelChanged(float decibels) {
    m_viewModel.glow().setIntensity(Playback::GlowMapping::level(decibels));
}

void CompositionRoot::utteranceCompleted(const QList<SpeechSession::ChunkAudio>& chunks,
                                         const Core::TimedWords& words, const QString& key,
                                         const QString& text, const QString& voice,
                                         const QString& modelID) {
    // A long read's files take a while to write: the stores write them off the main thread.
    const QList<AudioChunk> audio = audioChunks(chunks);
    m_cache.storeInBackground(key, audio, words);
    if (Defaults::get(keys().saveRecordings))
        m_clipLibrary.saveInBackground(text, audio, words, voice, modelID);
    m_lastPlayed = LastPlayed{text, voice, audio, words, key};
}

// Words of chunks synthesised during playback reach the transcript here.
void CompositionRoot::panelTick(const std::weak_ptr<SpeechSession>& weak) {
    const auto session = weak.lock();
    if (!session)
        return;
    session->tick();
    const auto& words = session->timingIndex().words;
    if (words.size() != m_viewModel.timingWords().size())
        m_viewModel.setTimingWords(words);
    showProgress(*session);
}

// Entries left damaged by an earlier run (a crash, a full disk) would otherwise be misses that
// still take space.
void CompositionRoot::reconcileCache() {
    m_cache.whenOpen([log = m_log](int dropped) {
        if (dropped > 0)
            log.notice("cache reconcile: dropped %{public}ld unreadable entries", dropped);
    });
}

// MARK: Landing and replay

void CompositionRoot::parkSessionOnIdleBar() {
    if (m_session && isLive(m_session->state().kind()))
        m_sessionParkedAt = m_clock.now();
}

bool CompositionRoot::isReadAttachedToPanel() const {
    return m_session && isLive(m_session->state().kind());
}

OpenLanding CompositionRoot::openLandingDecision() {
    if (!m_session || m_session->state().kind() == SessionState::Kind::cancelled)
        return OpenLanding::clips;
    const double now = m_clock.now();
    if (m_session->state().kind() != SessionState::Kind::finished)
        return !m_sessionParkedAt || now - *m_sessionParkedAt < reopenWindow ? OpenLanding::reading
                                                                             : OpenLanding::clips;
    if (!m_finishedAt || now - *m_finishedAt >= reopenWindow || !m_lastPlayed ||
        !m_lastPlayed->hasAudio())
        return OpenLanding::clips;
    const LastPlayed last = *m_lastPlayed;
    loadIntoPlayer(last.text, *last.chunks, *last.words, last.voiceID, false);
    m_viewModel.setContentMode(PanelContentMode::reading);
    return OpenLanding::readingRebuildPaused;
}

void CompositionRoot::replayLast() {
    if (m_lastPlayed && m_lastPlayed->hasAudio()) {
        const LastPlayed last = *m_lastPlayed;
        loadIntoPlayer(last.text, *last.chunks, *last.words, last.voiceID, true);
        m_viewModel.setContentMode(PanelContentMode::reading);
        return;
    }
    if (const auto session = speechSession(); session && isLive(session->state().kind())) {
        m_sessionParkedAt.reset();
        session->seek(0);
        session->resume();
        m_viewModel.setContentMode(PanelContentMode::reading);
        syncNowPlaying();
        return;
    }
    m_clipLibrary.whenListed(this, [this] {
        const QList<ClipSummary>& clips = m_clipLibrary.clips();
        if (clips.isEmpty())
            return;
        if (const auto clip = m_clipLibrary.load(clips.first().id)) {
            loadIntoPlayer(clip->text, clip->chunks, clip->words, clip->voiceID, true);
            m_viewModel.setContentMode(PanelContentMode::reading);
        }
    });
}

} // namespace Parlino
