#pragma once

#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Storage/AudioChunk.h"
#include "Playback/ChunkPlayer.h"

#include <QList>

#include <functional>
#include <memory>

namespace Parlino {

// Plays a saved clip's chunks back to back, each through its own chunk player, and reports the
// end of the clip through `onFinish`; a chunk that does not decode is reported through
// `onUndecodable` and then ends the clip likewise. Every clip starts at the
// default speed. Main thread only.
class LibraryClipPlayer {
public:
    explicit LibraryClipPlayer(std::unique_ptr<Playback::ChunkPlayerFactory> factory,
                               const SettingsKeys& keys);
    LibraryClipPlayer(const LibraryClipPlayer&) = delete;
    LibraryClipPlayer& operator=(const LibraryClipPlayer&) = delete;
    ~LibraryClipPlayer();

    // Replaces whatever is loaded, resets the speed to the default speed and starts at the first
    // chunk. An empty list, or a first chunk that does not decode, finishes before this returns.
    void play(QList<AudioChunk> chunks);
    // Stops and forgets the clip without finishing it.
    void stop();
    // Starts the loaded clip again from its first chunk at the current speed, only prepared when
    // `startPaused`; does nothing when no clip is loaded.
    void restart(bool startPaused);

    // Seconds played of the whole clip, by the stored chunk durations; within 0…totalDuration.
    double elapsed() const;
    double totalDuration() const;

    // The gain of the chunk playing and of every chunk made later.
    void applyGain(float gain);

    // The player of the chunk playing, paused or last finished; the owner may pause and resume
    // it. Null when nothing has played since the last stop.
    Playback::ChunkPlayer* current() const { return m_current.get(); }

    std::function<void()> onFinish;
    std::function<void()> onUndecodable;

private:
    void playCurrent(bool startPaused);
    void chunkDidFinish();
    void finish();
    void releaseCurrent();

    std::unique_ptr<Playback::ChunkPlayerFactory> m_factory;
    const SettingsKeys& m_keys;
    QList<AudioChunk> m_chunks;
    qsizetype m_index = 0; // the chunk playing, or next
    std::unique_ptr<Playback::ChunkPlayer> m_current;
    qsizetype m_currentIndex = 0; // the chunk `m_current` plays
};

} // namespace Parlino
