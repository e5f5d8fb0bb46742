#pragma once

#include "Base/LazyBytes.h"
#include "Base/Log.h"
#include "Base/Scheduler.h"
#include "Core/ReadTypes.h"
#include "Core/TTSProvider.h"
#include "Playback/ChunkPlayer.h"
#include "Playback/WordTimingIndex.h"

#include <QByteArray>
#include <QList>

#include <functional>
#include <memory>
#include <optional>

namespace Playback {

// One read in progress: synthesises its chunks in order through a provider, one request at a
// time with retries for temporary failures, plays them one after another, and reports its state,
// the word being spoken and the audio level. Lives on the main thread; made with create().
class SpeechSession : public std::enable_shared_from_this<SpeechSession> {
public:
    class State {
    public:
        enum class Kind { loading, playing, paused, stalled, finished, cancelled };

        static State loading() { return State(Kind::loading); }
        static State playing() { return State(Kind::playing); }
        static State paused() { return State(Kind::paused); }
        static State stalled(Core::TTSError error) {
            return State(Kind::stalled, std::move(error));
        }
        static State finished() { return State(Kind::finished); }
        static State cancelled() { return State(Kind::cancelled); }

        Kind kind() const { return m_kind; }
        // The error of a stalled session.
        const std::optional<Core::TTSError>& error() const { return m_error; }
        // "loading", "playing", "paused", "stalled", "finished" or "cancelled".
        QString name() const;

        friend bool operator==(const State&, const State&) = default;

    private:
        explicit State(Kind kind, std::optional<Core::TTSError> error = std::nullopt)
            : m_kind(kind), m_error(std::move(error)) {}

        Kind m_kind;
        std::optional<Core::TTSError> m_error;
    };

    // One chunk's audio as stored or handed over; audio kept in a file is read when its player is
    // made.
    struct ChunkAudio {
        Base::LazyBytes audio;
        double duration = 0;
    };

    struct TotalDuration {
        double seconds = 0;
        bool isExact = false;
    };

    // Where the audio of each chunk that arrives is kept until it plays: the session holds only
    // what this hands back. Without one the audio stays in memory.
    using AudioKeeper = std::function<Base::LazyBytes(qsizetype index, const QByteArray& audio)>;

    // The most that the retries of one chunk wait in all, seconds: a rate-limited answer that
    // asks for longer stalls the read rather than leave it loading.
    static constexpr double retryBudget = 15;

    // What a stalled session reports for audio that does not decode.
    static const Core::TTSError& audioDecodeFailed();

    static std::shared_ptr<SpeechSession>
    create(QString text, QList<Core::Chunk> chunks, std::shared_ptr<Core::TTSProvider> provider,
           std::shared_ptr<ChunkPlayerFactory> playerFactory, Core::VoiceID voice,
           Core::SynthesisSettings settings, QList<double> retryDelays, Base::Scheduler& scheduler);

    std::function<void(const State&)> onStateChange;
    std::function<void(std::optional<qsizetype>)> onWordIndexChange;
    std::function<void(float decibels)> onGlowLevel;
    // Once every chunk has arrived as audio that decodes.
    std::function<void(const QList<ChunkAudio>&, const Core::TimedWords&)> onUtteranceComplete;

    const State& state() const { return m_state; }
    const WordTimingIndex& timingIndex() const { return m_timingIndex; }
    std::optional<qsizetype> currentWordIndex() const { return m_currentWordIndex; }
    const QString& text() const { return m_text; }

    // Call before synthesis starts.
    void setAudioKeeper(AudioKeeper keeper) { m_keepAudio = std::move(keeper); }
    // Synthesis from the first chunk, when the read is not in the cache. Call once.
    void startSynthesis();
    // Plays stored audio: one entry per chunk and the merged word timings in read time.
    void load(const QList<ChunkAudio>& chunks, const Core::TimedWords& words, bool autoplay);
    // Requests the failed chunk (one that failed to arrive, arrived as audio that does not decode,
    // or whose kept audio no longer plays) again and goes on with the chunks still missing, or
    // plays on where the sound output was lost; only in a stalled state with such a failure
    // recorded.
    void retryFailedChunk();
    // Ends the read for good; the elapsed time stays where it was.
    void cancel();

    void pause();
    void resume();
    void seek(double readTime);
    // Whether seek() can move the read: it is not cancelled and some audio has arrived.
    bool canSeek() const;
    void seekToWord(qsizetype index);
    void skipToNextChunk();
    void setRate(float rate);
    void setGain(float gain);
    // Called every display frame: reports the level and, when it changed, the word index.
    void tick();
    // Seconds of read time heard so far.
    double elapsed() const;
    TotalDuration estimatedTotalDuration() const;

private:
    // The words of a result are merged into the timing index when it is accepted and not kept.
    struct ChunkResult {
        Base::LazyBytes audio;
        QList<Core::WordTiming> words;
        double duration = 0;
        std::optional<QString> requestID;
        // Arrived from the provider in this session, rather than loaded.
        bool synthesised = false;
    };

    // A place in the read: a chunk and the seconds into it.
    struct ChunkPosition {
        qsizetype index = 0;
        double offset = 0;
    };

    SpeechSession(QString text, QList<Core::Chunk> chunks,
                  std::shared_ptr<Core::TTSProvider> provider,
                  std::shared_ptr<ChunkPlayerFactory> playerFactory, Core::VoiceID voice,
                  Core::SynthesisSettings settings, QList<double> retryDelays,
                  Base::Scheduler& scheduler);

    void setState(const State& state);

    // Synthesis, one request in flight at a time.
    void synthesizeChunks(qsizetype from);
    void requestChunk(qsizetype index, qsizetype attempt);
    void chunkFailed(qsizetype index, qsizetype attempt, const Core::TTSError& error);
    void stopSynthesis();
    QStringList previousRequestIDs(qsizetype index) const;
    void chunkArrived(ChunkResult result, const QByteArray& audio, qsizetype index);
    void recordFailure(qsizetype index, const Core::TTSError& error);
    void acceptChunk(ChunkResult result, qsizetype index);
    qsizetype firstMissingChunk(qsizetype from) const;

    // Playback, one player at a time.
    enum class Start { playing, paused };
    void startCurrentChunkIfReady(Start start);
    std::unique_ptr<ChunkPlayer> makePlayer(qsizetype index, const char* context);
    void adoptPlayer(std::unique_ptr<ChunkPlayer> player);
    void playerDidFinish(quint64 serial);
    void playerDidFail(quint64 serial);
    void chunkDidFinish();
    // Starts chunk `index` when playback is waiting for it.
    void playIfAwaited(qsizetype index);
    // Plays (or, paused, prepares) chunk `position.index` from its offset.
    void playFrom(ChunkPosition position, const char* context);

    QList<double> readyDurations() const;
    double playerTime() const;
    // A chunk has played and the next one has not arrived yet.
    bool isWaitingBetweenChunks() const;

    Base::Log m_log{QStringLiteral("playback")};
    const QString m_text;
    const QList<Core::Chunk> m_chunks;
    const QList<qsizetype> m_chunkCharacters; // grapheme clusters per chunk
    const std::shared_ptr<Core::TTSProvider> m_provider;
    const std::shared_ptr<ChunkPlayerFactory> m_playerFactory;
    const Core::VoiceID m_voice;
    const Core::SynthesisSettings m_settings;
    const QList<double> m_retryDelays;
    Base::Scheduler& m_scheduler;
    AudioKeeper m_keepAudio;

    State m_state = State::loading();
    WordTimingIndex m_timingIndex;
    std::optional<qsizetype> m_currentWordIndex;
    QList<std::optional<ChunkResult>> m_chunkResults;
    qsizetype m_playbackChunkIndex = 0;
    double m_completedDuration = 0;
    std::unique_ptr<ChunkPlayer> m_currentPlayer;
    quint64 m_currentPlayerSerial = 0;
    quint64 m_playersMade = 0;
    float m_rate = 1.0f;

    // The synthesis in progress: the current request's stream or the wait before its retry.
    Core::SynthesisStream m_request;
    Base::ScheduledTask m_retryWait;
    double m_retryWaited = 0; // by the current chunk's retries so far
    bool m_synthesisStopped = false;
    std::optional<qsizetype> m_failedChunkIndex;
    std::optional<Core::TTSError> m_failedChunkError;
    // Where the read was when its sound output went away; a retry plays on from there.
    std::optional<ChunkPosition> m_outputLostAt;
};

} // namespace Playback
