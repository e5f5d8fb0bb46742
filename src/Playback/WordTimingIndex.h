#pragma once

#include "Core/WordTiming.h"

#include <QList>

#include <optional>

namespace Playback {

// A read's merged word timings, sorted by start time, with the lookup of the word being spoken.
struct WordTimingIndex {
    QList<Core::WordTiming> words;

    // The last word whose start is at or before `time`; none before the first word (or for NaN).
    // End times are not consulted: in a silence the index stays on the word that started last.
    std::optional<qsizetype> index(double time) const;
};

// One chunk's word timings made safe to play by, in text order: every time within 0…duration
// (a non-finite time counts as 0), no word starting before the one before it, and no word
// ending before it starts.
QList<Core::WordTiming> clampedTimings(QList<Core::WordTiming> words, double duration);

} // namespace Playback
