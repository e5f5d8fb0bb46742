#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace Playback {

// The level of one channel over a short window of what was handed to the output, looked up at
// the frame being heard. Keeps the square of every frame of the last two seconds, and the running
// sum of the squares at the start of every block of them: appending stores each square on its
// own and publishes one sum a block, and a level adds up the two blocks' worth of squares at the
// window's ends. One thread at a time appends; any thread reads the level without waiting.
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
    // Stores the squares of `frames` frames from output frame `first` on, which lie in one
    // block; returns their sum.
    double appendSquares(int64_t first, const float* interleaved, int64_t frames, int channels);
    // The sum of the squares of frames [first, last), which must be ones still kept.
    double sumOfSquares(int64_t first, int64_t last) const;
    double sumBeforeBlock(int64_t block) const;

    const int64_t m_history; // frames kept: whole blocks
    const int64_t m_window;  // frames metered
    const int64_t m_blockSlots;
    std::unique_ptr<std::atomic<float>[]> m_squares;    // by frame number modulo m_history
    std::unique_ptr<std::atomic<double>[]> m_blockSums; // before each block, by its number
                                                        // modulo m_blockSlots
    std::atomic<int64_t> m_end = 0;      // output frame number after the newest sample
    std::atomic<int64_t> m_writeEnd = 0; // m_end once the append in progress is done
    // The appending thread's alone: the sum before the block being filled, and its sum so far.
    double m_total = 0;
    double m_blockSum = 0;
};

} // namespace Playback
