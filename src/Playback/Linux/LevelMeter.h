#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace Playback {

// The level of one channel over a short window of what was handed to the output, looked up at
// the frame being heard. Keeps the last two seconds as running sums of squares, so a level costs
// two look-ups. One thread at a time appends; any thread reads the level without waiting.
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
    // The sum of the squares of the frames before `frame`, which must be one still kept.
    double sumBefore(int64_t frame) const;

    const int64_t m_history; // frames kept
    const int64_t m_window;  // frames metered
    const int64_t m_slots;   // m_history + 1 sums: one for each frame kept and one past them
    std::unique_ptr<std::atomic<double>[]> m_sums; // by frame number modulo m_slots
    std::atomic<int64_t> m_end = 0;                // output frame number after the newest sample
    std::atomic<int64_t> m_writeEnd = 0;           // m_end once the append in progress is done
    double m_total = 0; // the sum before m_end; the appending thread's alone
};

} // namespace Playback
