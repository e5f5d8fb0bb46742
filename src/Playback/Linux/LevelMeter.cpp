#include "Playback/Linux/LevelMeter.h"

#include <algorithm>
#include <cmath>

namespace Playback {

namespace {
constexpr double windowSeconds = 0.03;
constexpr int historySeconds = 2;
} // namespace

LevelMeter::LevelMeter(int sampleRate)
    : m_ring(size_t(sampleRate) * historySeconds),
      m_window(std::max<int64_t>(1, std::llround(sampleRate * windowSeconds))) {}

void LevelMeter::append(const float* interleaved, int64_t frames, int channels) {
    const auto capacity = int64_t(m_ring.size());
    for (int64_t i = 0; i < frames; ++i)
        m_ring[size_t((m_end + i) % capacity)] = interleaved[i * channels];
    m_end += frames;
    m_first = std::max(m_first, m_end - capacity);
}

float LevelMeter::power(int64_t heardFrame) const {
    const int64_t last = std::min(heardFrame, m_end);
    const int64_t first = std::max(last - m_window, m_first);
    if (last <= first)
        return silence;
    const auto capacity = int64_t(m_ring.size());
    double sum = 0;
    for (int64_t frame = first; frame < last; ++frame) {
        const double sample = m_ring[size_t(frame % capacity)];
        sum += sample * sample;
    }
    const double rms = std::sqrt(sum / double(last - first));
    if (rms <= 0)
        return silence;
    return float(std::clamp(20.0 * std::log10(rms), double(silence), 0.0));
}

} // namespace Playback
