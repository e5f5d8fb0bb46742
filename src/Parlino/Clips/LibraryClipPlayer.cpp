#include "Parlino/Clips/LibraryClipPlayer.h"

#include <algorithm>

namespace Parlino {

LibraryClipPlayer::LibraryClipPlayer(std::unique_ptr<Playback::ChunkPlayerFactory> factory,
                                     const SettingsKeys& keys)
    : m_factory(std::move(factory)), m_keys(keys) {}

LibraryClipPlayer::~LibraryClipPlayer() {
    releaseCurrent();
}

void LibraryClipPlayer::play(QList<AudioChunk> chunks) {
    stop();
    Defaults::set(m_keys.playbackRate, Defaults::get(m_keys.defaultPlaybackRate));
    m_chunks = std::move(chunks);
    m_index = 0;
    playCurrent(false);
}

void LibraryClipPlayer::stop() {
    releaseCurrent();
    m_chunks.clear();
    m_index = 0;
}

void LibraryClipPlayer::restart(bool startPaused) {
    if (m_chunks.isEmpty())
        return;
    releaseCurrent();
    m_index = 0;
    playCurrent(startPaused);
}

double LibraryClipPlayer::elapsed() const {
    double seconds = 0;
    for (qsizetype i = 0; i < std::min(m_index, m_chunks.size()); ++i)
        seconds += m_chunks[i].duration;
    // The player of an earlier chunk (the last one after the end, or the one before a chunk
    // that did not decode) has already been counted by its duration.
    if (m_current && m_currentIndex == m_index)
        seconds += m_current->currentTime();
    return std::clamp(seconds, 0.0, totalDuration());
}

double LibraryClipPlayer::totalDuration() const {
    double seconds = 0;
    for (const AudioChunk& chunk : m_chunks)
        seconds += chunk.duration;
    return seconds;
}

void LibraryClipPlayer::applyGain(float gain) {
    m_factory->setGain(gain);
    if (m_current)
        m_current->setVolume(gain);
}

void LibraryClipPlayer::playCurrent(bool startPaused) {
    if (m_index >= m_chunks.size()) {
        finish();
        return;
    }
    auto made = m_factory->makePlayer(m_chunks[m_index].audio);
    if (!made) {
        if (auto handler = onUndecodable)
            handler();
        finish();
        return;
    }
    auto player = std::move(made).value();
    // The chunk player lives no longer than this player, so its handler cannot outlive it.
    player->setOnFinish([this] { chunkDidFinish(); });
    player->setRate(float(Defaults::get(m_keys.playbackRate)));
    m_current = std::move(player);
    m_currentIndex = m_index;
    if (!startPaused)
        m_current->play();
}

void LibraryClipPlayer::chunkDidFinish() {
    ++m_index;
    playCurrent(false);
}

void LibraryClipPlayer::finish() {
    if (auto handler = onFinish) // the owner may replace it while it runs
        handler();
}

void LibraryClipPlayer::releaseCurrent() {
    if (!m_current)
        return;
    m_current->setOnFinish(nullptr); // stopping must never advance the clip
    m_current->stop();
    m_current.reset();
}

} // namespace Parlino
