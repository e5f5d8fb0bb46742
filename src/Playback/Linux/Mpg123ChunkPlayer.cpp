#include "Playback/Linux/Mpg123ChunkPlayer.h"

#include "Base/Log.h"
#include "Base/MainThread.h"
#include "Playback/Linux/ChunkRenderer.h"
#include "Playback/Linux/Mpg123Decoder.h"

#include <algorithm>
#include <utility>

namespace Playback {

namespace {

const Base::Log& log() {
    static const Base::Log instance(QStringLiteral("audio"));
    return instance;
}

} // namespace

Base::Result<std::unique_ptr<Mpg123ChunkPlayer>, AudioDecodeError>
Mpg123ChunkPlayer::make(const QByteArray& data, PcmOutputFactory& outputs) {
    auto decoder = Mpg123Decoder::open(data);
    if (!decoder) {
        log().error("init threw: %{public}s bytes=%{public}ld", decoder.error().description,
                    qint64(data.size()));
        return Base::failure(decoder.error());
    }
    std::unique_ptr<Mpg123ChunkPlayer> player(
        new Mpg123ChunkPlayer(std::move(decoder).value(), outputs));
    log().notice("init ok: duration=%{public}fs bytes=%{public}ld", player->duration(),
                 qint64(data.size()));
    return player;
}

Mpg123ChunkPlayer::Mpg123ChunkPlayer(std::unique_ptr<Mpg123Decoder> decoder,
                                     PcmOutputFactory& outputs) {
    // The output reports on its own thread; the player acts on it on the main thread.
    m_renderer = std::make_unique<ChunkRenderer>(
        std::move(decoder), [this] { onMainThread(&Mpg123ChunkPlayer::finishIfAtEnd); },
        [this] { onMainThread(&Mpg123ChunkPlayer::failIfPlaying); });
    m_output = outputs.make(m_renderer->format(), *m_renderer);
}

Mpg123ChunkPlayer::~Mpg123ChunkPlayer() {
    m_output.reset(); // no more pulls or reports from the output's thread
}

float Mpg123ChunkPlayer::clampedVolume(float volume) {
    return volume > 0.0f ? std::min(volume, 1.0f) : 0.0f;
}

double Mpg123ChunkPlayer::duration() const {
    return m_renderer->duration();
}

double Mpg123ChunkPlayer::currentTime() const {
    if (m_finished)
        return duration();
    return m_renderer->position(m_output->heardFrames());
}

void Mpg123ChunkPlayer::setCurrentTime(double seconds) {
    m_finished = false;
    m_renderer->seek(seconds > 0 ? std::min(seconds, duration()) : 0.0);
    if (m_playing)
        m_output->start();
}

void Mpg123ChunkPlayer::setRate(float rate) {
    m_rate = rate > minimumRate ? std::min(rate, maximumRate) : minimumRate;
    m_renderer->setTempo(m_rate);
}

void Mpg123ChunkPlayer::setVolume(float volume) {
    m_volume = clampedVolume(volume);
    m_renderer->setGain(m_volume);
}

float Mpg123ChunkPlayer::averagePower() {
    if (!m_playing)
        return LevelMeter::silence;
    return m_renderer->power(m_output->heardFrames());
}

void Mpg123ChunkPlayer::play() {
    if (m_finished)
        setCurrentTime(0);
    m_playing = m_output->start();
    log().notice("play() -> %{bool,public}d currentTime=%{public}f rate=%{public}f", m_playing,
                 currentTime(), m_rate);
    if (!m_playing) {
        log().error("play() returned false — playback did NOT start");
        m_failedToStart = true;
        onMainThread(&Mpg123ChunkPlayer::failIfPlaying);
    }
}

void Mpg123ChunkPlayer::pause() {
    m_playing = false;
    m_failedToStart = false;
    m_output->pause();
}

void Mpg123ChunkPlayer::stop() {
    // A stopped player reports no finish, not even one already on its way.
    pause();
}

void Mpg123ChunkPlayer::onMainThread(void (Mpg123ChunkPlayer::*step)()) {
    Base::MainThread::post(*m_receiver, [this, step] { (this->*step)(); });
}

// A player that was stopped or paused meanwhile reports nothing.
void Mpg123ChunkPlayer::failIfPlaying() {
    if (!m_playing && !std::exchange(m_failedToStart, false))
        return;
    log().error("sound output lost while playing");
    m_playing = false;
    notifyFailed(); // last: the handler may drop the player
}

void Mpg123ChunkPlayer::finishIfAtEnd() {
    if (!m_playing || !m_renderer->hasRunDry())
        return;
    m_playing = false;
    m_finished = true;
    m_output->pause();
    notifyFinished(); // last: the handler may drop the player
}

} // namespace Playback
