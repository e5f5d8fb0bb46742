#pragma once

#include "Base/Result.h"
#include "Playback/ChunkPlayer.h"
#include "Playback/Linux/PcmOutput.h"

#include <QByteArray>
#include <QObject>

#include <memory>

namespace Playback {

class ChunkRenderer;
class Mpg123Decoder;

// Plays one chunk of MP3 held in memory through an output, decoding just ahead of it.
class Mpg123ChunkPlayer final : public ChunkPlayer {
public:
    static constexpr float minimumRate = 0.5f;
    static constexpr float maximumRate = 2.0f;

    // Fails, after logging why, when the data is not MP3 audio.
    static Base::Result<std::unique_ptr<Mpg123ChunkPlayer>, AudioDecodeError>
    make(const QByteArray& data, PcmOutputFactory& outputs);
    ~Mpg123ChunkPlayer() override;

    // `volume` clamped to 0…1; a value that is not a number counts as 0.
    static float clampedVolume(float volume);

    double duration() const override;
    double currentTime() const override;
    void setCurrentTime(double seconds) override;
    float rate() const override { return m_rate; }
    void setRate(float rate) override;
    float volume() const override { return m_volume; }
    void setVolume(float volume) override;
    float averagePower() override;

    void play() override;
    void pause() override;
    void stop() override;

private:
    Mpg123ChunkPlayer(std::unique_ptr<Mpg123Decoder> decoder, PcmOutputFactory& outputs);
    // Runs `step` on the main thread unless the player is gone by then.
    void onMainThread(void (Mpg123ChunkPlayer::*step)());
    void finishIfAtEnd();
    void failIfPlaying();

    // Goes with the player, so that a finish reported after it is gone is dropped; the output
    // that reports is stopped before it goes.
    const std::unique_ptr<QObject> m_receiver = std::make_unique<QObject>();
    std::unique_ptr<ChunkRenderer> m_renderer;
    std::unique_ptr<PcmOutput> m_output; // pulls from m_renderer: declared after it
    float m_rate = 1.0f;
    float m_volume = 1.0f;
    bool m_playing = false;
    bool m_finished = false;
    bool m_failedToStart = false; // play() could not start the output
};

} // namespace Playback
