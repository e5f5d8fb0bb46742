#pragma once

#include <cstdint>
#include <vector>

namespace Playback {

// The level of one channel over a short window of what was handed to the output, looked up at
// the frame being heard. Keeps the last two seconds; not thread-safe.
class LevelMeter {
public:
    static constexpr float silence = -160.0f;

    explicit LevelMeter(int sampleRate);

    // Appends `frames` frames of interleaved samples, of which channel 0 is metered.
    void append(const float* interleaved, int64_t frames, int channels);
    // 20·log10(RMS) in dBFS over the window that ends at output frame `heardFrame`,
    // within -160…0; -160 when nothing was heard there.
    float power(int64_t heardFrame) const;

private:
    std::vector<float> m_ring;
    int64_t m_window;
    int64_t m_first = 0; // output frame number of the oldest sample still metered
    int64_t m_end = 0;   // output frame number after the newest sample
};

} // namespace Playback
