#include "Playback/WordTimingIndex.h"

namespace Playback {

std::optional<qsizetype> WordTimingIndex::index(double time) const {
    if (words.isEmpty() || !(time >= words.first().start))
        return std::nullopt;
    qsizetype low = 0;
    qsizetype high = words.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (words[middle].start <= time)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

} // namespace Playback
