#include "Playback/WordTimingIndex.h"

#include <algorithm>
#include <cmath>

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

QList<Core::WordTiming> clampedTimings(QList<Core::WordTiming> words, double duration) {
    const double limit = std::isfinite(duration) ? std::max(0.0, duration) : 0.0;
    const auto within = [limit](double time, double lowest) {
        return std::isfinite(time) ? std::clamp(time, lowest, limit) : lowest;
    };
    double previousStart = 0;
    for (Core::WordTiming& word : words) {
        word.start = within(word.start, previousStart);
        word.end = within(word.end, word.start);
        previousStart = word.start;
    }
    return words;
}

} // namespace Playback
