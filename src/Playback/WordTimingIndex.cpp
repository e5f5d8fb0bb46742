#include "Playback/WordTimingIndex.h"

#include <algorithm>
#include <cmath>

namespace Playback {

std::optional<qsizetype> WordTimingIndex::index(double time) const {
    if (words.isEmpty() || !(time >= words.start(0)))
        return std::nullopt;
    qsizetype low = 0;
    qsizetype high = words.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (words.start(middle) <= time)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

void WordTimingIndex::mergeChunk(const QList<Core::WordTiming>& chunkWords, qint64 offset,
                                 double start) {
    QList<Core::WordTiming> placed;
    placed.reserve(chunkWords.size());
    for (const auto& w : chunkWords)
        placed.append({w.word,
                       {w.range.lower + offset, w.range.upper + offset},
                       w.start + start,
                       w.end + start});
    if (placed.isEmpty())
        return;
    if (words.isEmpty() || placed.first().start >= words.start(words.size() - 1)) {
        for (const auto& w : placed)
            words.append(w);
        return;
    }
    QList<Core::WordTiming> all = words.toList();
    const qsizetype before = all.size();
    all.append(placed);
    std::inplace_merge(
        all.begin(), all.begin() + before, all.end(),
        [](const Core::WordTiming& a, const Core::WordTiming& b) { return a.start < b.start; });
    words = Core::TimedWords(all);
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
