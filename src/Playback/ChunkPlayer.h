#pragma once

#include "Base/Result.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

namespace Playback {

// Why a chunk's audio could not be made into a player.
struct AudioDecodeError {
    QString description;
    friend bool operator==(const AudioDecodeError&, const AudioDecodeError&) = default;
};

// The player of one chunk of compressed audio held in memory. Lives on the main thread.
class ChunkPlayer {
public:
    virtual ~ChunkPlayer() = default;

    // The chunk's length in seconds.
    virtual double duration() const = 0;
    // The position heard, in seconds from the chunk's start; writable for seeking.
    virtual double currentTime() const = 0;
    virtual void setCurrentTime(double seconds) = 0;
    // Playback speed, clamped to 0.5…2.0 where it is applied.
    virtual float rate() const = 0;
    virtual void setRate(float rate) = 0;
    // Linear gain, clamped to 0…1.
    virtual float volume() const = 0;
    virtual void setVolume(float volume) = 0;
    // The current level of the first channel in dBFS; -160 for silence.
    virtual float averagePower() = 0;

    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;

    // Called on the main thread, never from inside another call of the player, when the chunk has
    // played to its end; whatever handler is set at that moment runs.
    void setOnFinish(std::function<void()> handler) { m_onFinish = std::move(handler); }
    const std::function<void()>& onFinish() const { return m_onFinish; }
    // Called like the finish handler when the sound output went away while the chunk played
    // (or would not start): the chunk will not play on.
    void setOnFailure(std::function<void()> handler) { m_onFailure = std::move(handler); }

protected:
    // Call on the main thread. The handler may drop the player: it runs from a copy.
    void notifyFinished() {
        if (auto handler = m_onFinish)
            handler();
    }

    void notifyFailed() {
        if (auto handler = m_onFailure)
            handler();
    }

private:
    std::function<void()> m_onFinish;
    std::function<void()> m_onFailure;
};

// Makes chunk players and holds the gain that every new player starts with.
class ChunkPlayerFactory {
public:
    virtual ~ChunkPlayerFactory() = default;

    // Fails when the data is not playable audio.
    virtual Base::Result<std::unique_ptr<ChunkPlayer>, AudioDecodeError>
    makePlayer(const QByteArray& data) = 0;
    // Whether makePlayer would accept the data as audio, found without making a player (no sound
    // output is opened).
    virtual bool decodes(const QByteArray& data) = 0;
    // The gain (clamped to 0…1) of players made afterwards; players already made keep theirs.
    virtual void setGain(float gain) = 0;
};

} // namespace Playback
