#include "Playback/Linux/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace Playback {

namespace {
constexpr double windowSeconds = 0.03;
constexpr int historySeconds = 2;
} // namespace

LevelMeter::LevelMeter(int sampleRate)
    : m_history(int64_t(sampleRate) * historySeconds),
      m_window(std::max<int64_t>(1, std::llround(sampleRate * windowSeconds))),
      m_slots(m_history + 1), m_sums(new std::atomic<double>[size_t(m_slots)]) {
    m_sums[0].store(0, std::memory_order_relaxed);
}

void LevelMeter::append(const float* interleaved, int64_t frames, int channels) {
    const int64_t end = m_end.load(std::memory_order_relaxed);
    m_writeEnd.store(end + frames, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    int64_t slot = (end + 1) % m_slots;
    for (int64_t i = 0; i < frames; ++i) {
        const double sample = interleaved[i * channels];
        m_total += sample * sample;
        m_sums[size_t(slot)].store(m_total, std::memory_order_relaxed);
        if (++slot == m_slots)
            slot = 0;
    }
    m_end.store(end + frames, std::memory_order_release);
}

double LevelMeter::sumBefore(int64_t frame) const {
    return m_sums[size_t(frame % m_slots)].load(std::memory_order_relaxed);
}

float LevelMeter::power(int64_t heardFrame) const {
    const int64_t end = m_end.load(std::memory_order_acquire);
    const int64_t last = std::min(heardFrame, end);
    const int64_t first = std::max({last - m_window, end - m_history, int64_t(0)});
    if (last <= first)
        return silence;
    const double sum = sumBefore(last) - sumBefore(first);
    // Sums overwritten by an append meanwhile are not the ones asked for.
    std::atomic_thread_fence(std::memory_order_acquire);
    if (m_writeEnd.load(std::memory_order_relaxed) - m_history > first)
        return silence;
    const double rms = std::sqrt(std::max(sum, 0.0) / double(last - first));
    if (rms <= 0)
        return silence;
    return float(std::clamp(20.0 * std::log10(rms), double(silence), 0.0));
}

} // namespace Playback
