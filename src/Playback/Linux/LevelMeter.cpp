#include "Playback/Linux/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace Playback {

namespace {
constexpr double windowSeconds = 0.03;
constexpr int historySeconds = 2;
constexpr int64_t blockFrames = 256;
} // namespace

LevelMeter::LevelMeter(int sampleRate)
    : m_history((int64_t(sampleRate) * historySeconds + blockFrames - 1) / blockFrames *
                blockFrames),
      m_window(std::max<int64_t>(1, std::llround(sampleRate * windowSeconds))),
      m_blockSlots(m_history / blockFrames + 2),
      m_squares(new std::atomic<float>[size_t(m_history)]),
      m_blockSums(new std::atomic<double>[size_t(m_blockSlots)]) {
    m_blockSums[0].store(0, std::memory_order_relaxed);
}

void LevelMeter::append(const float* interleaved, int64_t frames, int channels) {
    int64_t end = m_end.load(std::memory_order_relaxed);
    m_writeEnd.store(end + frames, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    while (frames > 0) {
        const int64_t n = std::min(frames, blockFrames - end % blockFrames);
        m_blockSum += appendSquares(end, interleaved, n, channels);
        interleaved += n * channels;
        frames -= n;
        end += n;
        if (end % blockFrames == 0) {
            m_total += m_blockSum;
            m_blockSum = 0;
            m_blockSums[size_t(end / blockFrames % m_blockSlots)].store(m_total,
                                                                        std::memory_order_relaxed);
        }
    }
    m_end.store(end, std::memory_order_release);
}

double LevelMeter::appendSquares(int64_t first, const float* interleaved, int64_t frames,
                                 int channels) {
    // Blocks never wrap around the history, so the squares go to consecutive slots; four
    // independent sums, so that no addition waits on the one before.
    std::atomic<float>* squares = &m_squares[size_t(first % m_history)];
    double sums[4] = {0, 0, 0, 0};
    for (int64_t i = 0; i < frames; ++i) {
        const float sample = interleaved[i * channels];
        const float square = sample * sample;
        squares[i].store(square, std::memory_order_relaxed);
        sums[i % 4] += square;
    }
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

double LevelMeter::sumBeforeBlock(int64_t block) const {
    return m_blockSums[size_t(block % m_blockSlots)].load(std::memory_order_relaxed);
}

double LevelMeter::sumOfSquares(int64_t first, int64_t last) const {
    const auto squares = [this](int64_t from, int64_t to) {
        double sum = 0;
        for (int64_t frame = from; frame < to; ++frame)
            sum += m_squares[size_t(frame % m_history)].load(std::memory_order_relaxed);
        return sum;
    };
    const int64_t firstWhole = (first + blockFrames - 1) / blockFrames;
    const int64_t lastWhole = last / blockFrames;
    if (firstWhole > lastWhole)
        return squares(first, last);
    return sumBeforeBlock(lastWhole) - sumBeforeBlock(firstWhole) +
           squares(first, firstWhole * blockFrames) + squares(lastWhole * blockFrames, last);
}

float LevelMeter::power(int64_t heardFrame) const {
    const int64_t end = m_end.load(std::memory_order_acquire);
    const int64_t last = std::min(heardFrame, end);
    const int64_t first = std::max({last - m_window, end - m_history, int64_t(0)});
    if (last <= first)
        return silence;
    const double sum = sumOfSquares(first, last);
    // Squares and sums overwritten by an append meanwhile are not the ones asked for.
    std::atomic_thread_fence(std::memory_order_acquire);
    if (m_writeEnd.load(std::memory_order_relaxed) - m_history > first)
        return silence;
    const double rms = std::sqrt(std::max(sum, 0.0) / double(last - first));
    if (rms <= 0)
        return silence;
    return float(std::clamp(20.0 * std::log10(rms), double(silence), 0.0));
}

} // namespace Playback
