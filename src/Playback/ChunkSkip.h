#pragma once

#include <QList>

#include <optional>

namespace Playback::ChunkSkip {

// The read time at which the chunk after `current` starts, when that chunk exists and its audio is
// among the leading run of ready chunks whose `durations` are given.
std::optional<double> nextChunkStart(qsizetype current, const QList<double>& durations,
                                     qsizetype chunkCount);

} // namespace Playback::ChunkSkip
