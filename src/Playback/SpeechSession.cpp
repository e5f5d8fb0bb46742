#include "Playback/SpeechSession.h"

#include "Base/Unicode.h"
#include "Playback/ChunkSkip.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace Playback {

namespace {

QList<qsizetype> graphemeCounts(const QList<Core::Chunk>& chunks) {
    QList<qsizetype> counts;
    counts.reserve(chunks.size());
    for (const auto& chunk : chunks)
        counts.append(Base::Unicode::graphemeCount(chunk.text));
    return counts;
}

} // namespace

const Core::TTSError& SpeechSession::audioDecodeFailed() {
    static const Core::TTSError error =
        Core::TTSError::providerFault(0, QStringLiteral("audio decode failed"));
    return error;
}

QString SpeechSession::State::name() const {
    switch (m_kind) {
    case Kind::loading:
        return QStringLiteral("loading");
    case Kind::playing:
        return QStringLiteral("playing");
    case Kind::paused:
        return QStringLiteral("paused");
    case Kind::stalled:
        return QStringLiteral("stalled");
    case Kind::finished:
        return QStringLiteral("finished");
    case Kind::cancelled:
        return QStringLiteral("cancelled");
    }
    return {};
}

std::shared_ptr<SpeechSession> SpeechSession::create(
    QString text, QList<Core::Chunk> chunks, std::shared_ptr<Core::TTSProvider> provider,
    std::shared_ptr<ChunkPlayerFactory> playerFactory, Core::VoiceID voice,
    Core::SynthesisSettings settings, QList<double> retryDelays, Base::Scheduler& scheduler) {
    return std::shared_ptr<SpeechSession>(new SpeechSession(
        std::move(text), std::move(chunks), std::move(provider), std::move(playerFactory),
        std::move(voice), std::move(settings), std::move(retryDelays), scheduler));
}

SpeechSession::SpeechSession(QString text, QList<Core::Chunk> chunks,
                             std::shared_ptr<Core::TTSProvider> provider,
                             std::shared_ptr<ChunkPlayerFactory> playerFactory, Core::VoiceID voice,
                             Core::SynthesisSettings settings, QList<double> retryDelays,
                             Base::Scheduler& scheduler)
    : m_text(std::move(text)), m_chunks(std::move(chunks)),
      m_chunkCharacters(graphemeCounts(m_chunks)), m_provider(std::move(provider)),
      m_playerFactory(std::move(playerFactory)), m_voice(std::move(voice)),
      m_settings(std::move(settings)), m_retryDelays(std::move(retryDelays)),
      m_scheduler(scheduler), m_chunkResults(m_chunks.size()) {}

void SpeechSession::setState(const State& state) {
    if (m_state.kind() == State::Kind::cancelled || state == m_state)
        return;
    m_log.notice("setState %{public}s -> %{public}s", m_state.name(), state.name());
    m_state = state;
    if (onStateChange)
        onStateChange(m_state);
}

// MARK: Synthesis

void SpeechSession::startSynthesis() {
    synthesizeChunks(0);
}

void SpeechSession::retryFailedChunk() {
    if (m_state.kind() != State::Kind::stalled)
        return;
    if (const auto position = std::exchange(m_outputLostAt, std::nullopt)) {
        setState(State::loading());
        playFrom(*position, "retry");
        return;
    }
    if (!m_failedChunkIndex)
        return;
    const qsizetype index = *m_failedChunkIndex;
    m_failedChunkIndex.reset();
    m_failedChunkError.reset();
    setState(State::loading());
    synthesizeChunks(index);
}

void SpeechSession::synthesizeChunks(qsizetype from) {
    stopSynthesis();
    m_synthesisStopped = false;
    requestChunk(from, 0);
}

void SpeechSession::stopSynthesis() {
    m_synthesisStopped = true;
    m_request.cancel();
    m_retryWait.cancel();
}

QStringList SpeechSession::previousRequestIDs(qsizetype index) const {
    QStringList ids;
    for (qsizetype i = 0; i < index; ++i)
        if (m_chunkResults[i] && m_chunkResults[i]->requestID)
            ids.append(*m_chunkResults[i]->requestID);
    return ids;
}

// Requests chunk `index` and, once it is accepted, the next one. The stream's handlers hold the
// session, so synthesis runs to its end even when the owner lets go of the session.
void SpeechSession::requestChunk(qsizetype index, qsizetype attempt) {
    if (m_synthesisStopped || index >= m_chunks.size())
        return;
    m_request = m_provider->synthesize(m_chunks[index].text, m_voice, m_settings,
                                       previousRequestIDs(index));
    auto result = std::make_shared<ChunkResult>();
    auto audio = std::make_shared<QByteArray>();
    auto self = shared_from_this();
    m_request.listen(
        [result, audio](Core::SynthesisEvent event) {
            switch (event.kind()) {
            case Core::SynthesisEvent::Kind::audio:
                audio->append(event.audioData());
                break;
            case Core::SynthesisEvent::Kind::timings:
                result->words = event.wordTimings();
                break;
            case Core::SynthesisEvent::Kind::done:
                result->duration = event.duration();
                result->requestID = event.requestID();
                break;
            }
        },
        [self, result, audio, index, attempt](std::optional<Core::TTSError> error) {
            if (self->m_synthesisStopped)
                return;
            if (error)
                return self->chunkFailed(index, attempt, *error);
            self->chunkArrived(std::move(*result), *audio, index);
        });
}

// Audio that does not decode fails its chunk as a failed request does: playback stalls when it
// reaches the chunk, a retry asks for it again, and the read never reaches the cache or the clips
// meanwhile.
void SpeechSession::chunkArrived(ChunkResult result, const QByteArray& audio, qsizetype index) {
    const auto decoded = m_playerFactory->decodedDuration(audio);
    if (!decoded) {
        m_log.error("chunk audio does not decode idx=%{public}ld bytes=%{public}ld", index,
                    audio.size());
        return recordFailure(index, audioDecodeFailed());
    }
    // The chunk lasts as long as its audio plays: the service's last end time (none without an
    // alignment, often before the audio's end, and never to be believed beyond it) would start
    // the next chunk's words early, and store a read shorter than what is heard.
    if (result.duration != *decoded)
        m_log.notice("chunk duration from its audio idx=%{public}ld reported=%{public}fs "
                     "decoded=%{public}fs",
                     index, result.duration, *decoded);
    result.duration = *decoded;
    result.audio = m_keepAudio ? m_keepAudio(index, audio) : Base::LazyBytes(audio);
    if (auto& asked = m_chunkResults[index]) {
        // Asked for again because its kept audio no longer played: its timings stand.
        asked->audio = std::move(result.audio);
        playIfAwaited(index);
    } else {
        result.synthesised = true;
        acceptChunk(std::move(result), index);
    }
    requestChunk(firstMissingChunk(index + 1), 0);
}

qsizetype SpeechSession::firstMissingChunk(qsizetype from) const {
    while (from < m_chunkResults.size() && m_chunkResults[from])
        ++from;
    return from;
}

// A rate-limited answer is asked again no sooner than it says; a chunk whose retries would wait
// longer than the budget in all stalls at once, for the user to retry.
void SpeechSession::chunkFailed(qsizetype index, qsizetype attempt, const Core::TTSError& error) {
    if (attempt == 0)
        m_retryWaited = 0;
    const double wait = attempt < m_retryDelays.size()
                            ? std::max(m_retryDelays[attempt], error.retryAfter().value_or(0))
                            : 0;
    if (error.isRetryable() && attempt < m_retryDelays.size() &&
        m_retryWaited + wait <= retryBudget) {
        m_retryWaited += wait;
        m_retryWait = m_scheduler.after(wait, [self = shared_from_this(), index, attempt] {
            self->requestChunk(index, attempt + 1);
        });
        return;
    }
    const QString status = error.kind() == Core::TTSError::Kind::providerFault
                               ? QString::number(error.status())
                               : QStringLiteral("-");
    m_log.error("synthesis failed idx=%{public}ld error=%{public}s status=%{public}s", index,
                error.kindName(), status);
    recordFailure(index, error);
}

// Synthesis ends at a failed chunk; the read stalls on it at once when it is the one awaited.
void SpeechSession::recordFailure(qsizetype index, const Core::TTSError& error) {
    m_failedChunkIndex = index;
    m_failedChunkError = error;
    if (index == m_playbackChunkIndex)
        setState(State::stalled(error));
}

void SpeechSession::acceptChunk(ChunkResult result, qsizetype index) {
    // The service's times are believed only as far as the audio reaches.
    result.words = clampedTimings(std::move(result.words), result.duration);
    m_log.notice("chunk accepted idx=%{public}ld duration=%{public}fs bytes=%{public}ld", index,
                 result.duration, result.audio.size());
    double chunkStart = 0;
    for (qsizetype i = 0; i < index; ++i)
        if (m_chunkResults[i])
            chunkStart += m_chunkResults[i]->duration;
    m_timingIndex.mergeChunk(result.words, m_chunks[index].utf16Offset, chunkStart);
    result.words = {};
    m_chunkResults[index] = std::move(result);
    playIfAwaited(index);

    const bool complete = std::all_of(m_chunkResults.cbegin(), m_chunkResults.cend(),
                                      [](const auto& r) { return r.has_value(); });
    if (complete && onUtteranceComplete) {
        QList<ChunkAudio> audio;
        for (const auto& r : m_chunkResults)
            audio.append({r->audio, r->duration});
        onUtteranceComplete(audio, m_timingIndex.words);
    }
}

// MARK: Loading stored audio

void SpeechSession::load(const QList<ChunkAudio>& chunks, const Core::TimedWords& words,
                         bool autoplay) {
    if (chunks.size() != m_chunks.size()) {
        m_log.error("load: %{public}ld stored chunks for %{public}ld chunks — nothing loaded",
                    chunks.size(), m_chunks.size());
        return;
    }
    for (qsizetype i = 0; i < chunks.size(); ++i)
        m_chunkResults[i] = ChunkResult{chunks[i].audio, {}, chunks[i].duration, std::nullopt};
    m_timingIndex.words = words;
    startCurrentChunkIfReady(autoplay ? Start::playing : Start::paused);
}

// MARK: Playback sequencing

void SpeechSession::playIfAwaited(qsizetype index) {
    if (index == m_playbackChunkIndex && !m_currentPlayer)
        startCurrentChunkIfReady(m_state.kind() == State::Kind::paused ? Start::paused
                                                                       : Start::playing);
}

void SpeechSession::startCurrentChunkIfReady(Start start) {
    const char* context =
        start == Start::playing ? "playCurrentChunkIfReady" : "preparePausedChunkIfReady";
    const qsizetype index = m_playbackChunkIndex;
    if (index >= m_chunks.size() || !m_chunkResults[index]) {
        m_log.notice("%{public}s: not ready idx=%{public}ld", context, index);
        return;
    }
    auto player = makePlayer(index, context);
    if (!player)
        return;
    adoptPlayer(std::move(player));
    if (start == Start::playing) {
        m_currentPlayer->play();
        m_log.notice("playCurrentChunkIfReady: player started idx=%{public}ld duration=%{public}fs "
                     "rate=%{public}f",
                     index, m_currentPlayer->duration(), m_rate);
        setState(State::playing());
    } else {
        m_log.notice("preparePausedChunkIfReady: player built idx=%{public}ld duration=%{public}fs",
                     index, m_currentPlayer->duration());
        setState(State::paused());
    }
}

// Builds a player for chunk `index`; on undecodable audio logs, stalls and returns null.
std::unique_ptr<ChunkPlayer> SpeechSession::makePlayer(qsizetype index, const char* context) {
    auto made = m_playerFactory->makePlayer(m_chunkResults[index]->audio);
    if (!made) {
        m_log.error("%{public}s: makePlayer threw idx=%{public}ld", context, index);
        // Audio that decoded when it arrived and no longer does (its file changed since) is asked
        // for again on Retry; stored audio is its owner's to replace.
        if (m_chunkResults[index]->synthesised) {
            m_failedChunkIndex = index;
            m_failedChunkError = audioDecodeFailed();
        }
        setState(State::stalled(audioDecodeFailed()));
        return nullptr;
    }
    return std::move(made).value();
}

// Makes `player` the current one with the session's rate and a finish handler that acts only
// while it is still the current player of a live, uncancelled session.
void SpeechSession::adoptPlayer(std::unique_ptr<ChunkPlayer> player) {
    const quint64 serial = ++m_playersMade;
    player->setRate(m_rate);
    player->setOnFinish([weak = weak_from_this(), serial] {
        if (auto self = weak.lock())
            self->playerDidFinish(serial);
    });
    player->setOnFailure([weak = weak_from_this(), serial] {
        if (auto self = weak.lock())
            self->playerDidFail(serial);
    });
    m_currentPlayer = std::move(player);
    m_currentPlayerSerial = serial;
}

void SpeechSession::playerDidFinish(quint64 serial) {
    if (m_state.kind() == State::Kind::cancelled || !m_currentPlayer ||
        serial != m_currentPlayerSerial)
        return;
    chunkDidFinish();
}

// The sound output went away: the read stalls where it was heard, and a retry plays on from there.
void SpeechSession::playerDidFail(quint64 serial) {
    if (m_state.kind() == State::Kind::cancelled || !m_currentPlayer ||
        serial != m_currentPlayerSerial)
        return;
    m_outputLostAt = ChunkPosition{m_playbackChunkIndex, playerTime()};
    m_log.error("player failed idx=%{public}ld at=%{public}fs", m_playbackChunkIndex, elapsed());
    m_currentPlayer->stop();
    m_currentPlayer.reset();
    setState(State::stalled(Core::TTSError::audioOutputLost()));
}

void SpeechSession::chunkDidFinish() {
    const qsizetype index = m_playbackChunkIndex;
    if (index < m_chunkResults.size() && m_chunkResults[index])
        m_completedDuration += m_chunkResults[index]->duration;
    m_currentPlayer.reset();
    m_playbackChunkIndex = index + 1;
    if (m_playbackChunkIndex >= m_chunks.size()) {
        setState(State::finished());
    } else if (m_chunkResults[m_playbackChunkIndex]) {
        startCurrentChunkIfReady(Start::playing);
    } else if (m_failedChunkIndex == m_playbackChunkIndex) {
        setState(State::stalled(m_failedChunkError.value_or(
            Core::TTSError::providerFault(0, QStringLiteral("unknown")))));
    } else {
        // The next chunk is still on its way: the read waits for it, visibly.
        setState(State::loading());
    }
}

void SpeechSession::cancel() {
    m_completedDuration += playerTime();
    stopSynthesis();
    if (m_currentPlayer) {
        m_currentPlayer->stop();
        m_currentPlayer.reset();
    }
    setState(State::cancelled());
}

// MARK: Controls

void SpeechSession::pause() {
    if (m_state.kind() != State::Kind::playing && !isWaitingBetweenChunks())
        return;
    if (m_currentPlayer)
        m_currentPlayer->pause();
    setState(State::paused());
}

void SpeechSession::resume() {
    if (m_state.kind() != State::Kind::paused)
        return;
    if (m_currentPlayer)
        m_currentPlayer->play();
    // Resumed between chunks, the read goes on waiting for the next one.
    setState(m_currentPlayer || m_playbackChunkIndex == 0 ? State::playing() : State::loading());
}

bool SpeechSession::isWaitingBetweenChunks() const {
    return m_state.kind() == State::Kind::loading && !m_currentPlayer && m_playbackChunkIndex > 0;
}

void SpeechSession::setRate(float rate) {
    if (!std::isfinite(rate))
        return;
    m_rate = rate;
    if (m_currentPlayer)
        m_currentPlayer->setRate(rate);
}

void SpeechSession::setGain(float gain) {
    if (!std::isfinite(gain))
        return;
    m_playerFactory->setGain(gain);
    if (m_currentPlayer)
        m_currentPlayer->setVolume(gain);
}

QList<double> SpeechSession::readyDurations() const {
    QList<double> durations;
    for (const auto& result : m_chunkResults) {
        if (!result)
            break;
        durations.append(result->duration);
    }
    return durations;
}

void SpeechSession::seek(double readTime) {
    if (m_state.kind() == State::Kind::cancelled)
        return;
    const QList<double> durations = readyDurations();
    if (durations.isEmpty())
        return;
    const double total = std::accumulate(durations.cbegin(), durations.cend(), 0.0);
    const double target = std::max(readTime < total ? readTime : total - 0.05, 0.0);

    qsizetype chosen = durations.size() - 1;
    double chunkStart = 0;
    for (qsizetype i = 0; i < durations.size(); ++i) {
        if (chunkStart + durations[i] > target) {
            chosen = i;
            break;
        }
        if (i + 1 < durations.size())
            chunkStart += durations[i];
    }
    const double offset = std::clamp(target - chunkStart, 0.0, std::max(durations[chosen], 0.0));

    m_log.notice("seek: target=%{public}fs -> chunk=%{public}ld", readTime, chosen);
    playFrom({chosen, offset}, "seek");
}

void SpeechSession::playFrom(ChunkPosition position, const char* context) {
    m_outputLostAt.reset();
    if (m_currentPlayer) {
        m_currentPlayer->stop();
        m_currentPlayer.reset();
    }
    auto player = makePlayer(position.index, context);
    if (!player)
        return;
    adoptPlayer(std::move(player));
    m_currentPlayer->setCurrentTime(position.offset);
    m_playbackChunkIndex = position.index;
    m_completedDuration = 0;
    for (qsizetype i = 0; i < position.index; ++i)
        m_completedDuration += m_chunkResults[i]->duration;
    if (m_state.kind() != State::Kind::paused) {
        m_currentPlayer->play();
        setState(State::playing());
    }
}

void SpeechSession::seekToWord(qsizetype index) {
    if (index >= 0 && index < m_timingIndex.words.size())
        seek(m_timingIndex.words[index].start);
}

void SpeechSession::skipToNextChunk() {
    if (m_state.kind() == State::Kind::cancelled)
        return;
    if (const auto start =
            ChunkSkip::nextChunkStart(m_playbackChunkIndex, readyDurations(), m_chunks.size()))
        seek(*start);
}

// MARK: Position

double SpeechSession::playerTime() const {
    return m_currentPlayer ? m_currentPlayer->currentTime() : 0.0;
}

// A read whose sound output went away stays where it was heard until it plays on.
double SpeechSession::elapsed() const {
    return m_completedDuration + (m_outputLostAt ? m_outputLostAt->offset : playerTime());
}

bool SpeechSession::canSeek() const {
    return m_state.kind() != State::Kind::cancelled && !readyDurations().isEmpty();
}

void SpeechSession::tick() {
    if (onGlowLevel) {
        const bool metered = m_state.kind() == State::Kind::playing && m_currentPlayer;
        onGlowLevel(metered ? m_currentPlayer->averagePower() : -160.0f);
    }
    const auto index = m_timingIndex.index(elapsed());
    if (index == m_currentWordIndex)
        return;
    m_currentWordIndex = index;
    if (onWordIndexChange)
        onWordIndexChange(index);
}

SpeechSession::TotalDuration SpeechSession::estimatedTotalDuration() const {
    double known = 0;
    qsizetype knownChars = 0;
    qsizetype remainingChars = 0;
    for (qsizetype i = 0; i < m_chunks.size(); ++i) {
        if (m_chunkResults[i]) {
            known += m_chunkResults[i]->duration;
            knownChars += m_chunkCharacters[i];
        } else {
            remainingChars += m_chunkCharacters[i];
        }
    }
    if (remainingChars == 0)
        return {known, true};
    const double secondsPerCharacter = knownChars >= 1 ? known / double(knownChars) : 0.06;
    return {known + secondsPerCharacter * double(remainingChars), false};
}

} // namespace Playback
