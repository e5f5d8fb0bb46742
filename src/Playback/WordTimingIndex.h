#pragma once

#include "Core/TimedWords.h"
#include "Core/WordTiming.h"

#include <QList>

#include <optional>

namespace Playback {

// A read's merged word timings, sorted by start time, with the lookup of the word being spoken.
struct WordTimingIndex {
    Core::TimedWords words;

    // Merges one chunk's words, in text order and timed from the chunk's start, placed at
    // `offset` in the text and `start` in read time. A chunk's words usually all start after the
    // words so far: they are appended, which keeps a long read's merging linear.
    void mergeChunk(const QList<Core::WordTiming>& chunkWords, qint64 offset, double start);

    // The last word whose start is at or before `time`; none before the first word (or for NaN).
    // End times are not consulted: in a silence the index stays on the word that started last.
    std::optional<qsizetype> index(double time) const;
};

// One chunk's word timings made safe to play by, in text order: every time within 0…duration
// (a non-finite time counts as 0), no word starting before the one before it, and no word
// ending before it starts.
QList<Core::WordTiming> clampedTimings(QList<Core::WordTiming> words, double duration);

} // namespace Playback
