#include "Playback/ChunkSkip.h"

#include <numeric>

namespace Playback::ChunkSkip {

std::optional<double> nextChunkStart(qsizetype current, const QList<double>& durations,
                                     qsizetype chunkCount) {
    const qsizetype next = current + 1;
    if (next < 0 || next >= chunkCount || next >= durations.size())
        return std::nullopt;
    return std::accumulate(durations.cbegin(), durations.cbegin() + next, 0.0);
}

} // namespace Playback::ChunkSkip
