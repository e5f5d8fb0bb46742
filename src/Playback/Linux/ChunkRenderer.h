#pragma once

#include "Playback/Linux/LevelMeter.h"
#include "Playback/Linux/Mpg123Decoder.h"
#include "Playback/Linux/PcmOutput.h"
#include "Playback/Linux/Published.h"

#include <soundtouch/SoundTouch.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <span>

namespace Playback {

// The signal chain of one chunk: MP3 decoded as the output asks for it, a block at a time,
// time-stretched with the pitch kept, scaled by the volume and metered. It remembers which part of
// the chunk each rendered frame came from, so that the position and level of what is being heard
// can be told from the number of frames the output still holds. Thread-safe: the output renders on
// its own thread, and the position and level are read without waiting on it.
class ChunkRenderer : public PcmSource {
public:
    // `onDrained` runs on the output's thread once everything rendered has been heard,
    // `onFailed` when the output can no longer play.
    ChunkRenderer(std::unique_ptr<Mpg123Decoder> decoder, std::function<void()> onDrained,
                  std::function<void()> onFailed);

    const PcmFormat& format() const { return m_format; }
    double duration() const { return double(m_totalFrames) / m_format.sampleRate; }

    // The position heard, in seconds, once the output has played `heardFrames` of the frames
    // rendered.
    double position(int64_t heardFrames) const;
    // The level of channel 0 heard at that moment, in dBFS.
    float power(int64_t heardFrames) const;
    // Whether the whole chunk has been rendered (until the next seek).
    bool hasRunDry() const;

    void seek(double seconds);
    void setTempo(float tempo);
    void setGain(float gain);

    size_t render(float* out, size_t frames) override;
    void drained() override { m_onDrained(); }
    void failed() override { m_onFailed(); }

private:
    // Rendered output frames from `outputFrame` on came from `sourceFrame` on, advancing by
    // `tempo` source frames per output frame.
    struct Segment {
        int64_t outputFrame;
        double sourceFrame;
        double tempo;
    };
    // The newest segments, as position() reads them.
    struct Timeline {
        static constexpr size_t capacity = 64;
        size_t count = 0;
        std::array<Segment, capacity> segments{}; // oldest first
        double sourceFrameAt(int64_t outputFrame) const;
    };

    size_t renderDirect(float* out, size_t frames);
    size_t renderStretched(float* out, size_t frames);
    double nextSourceFrame() const;
    // Up to `frames` frames of the source from m_readFrame on, which they advance; empty at its
    // end.
    std::span<const float> take(int64_t frames);
    void restartFrom(double sourceFrame);
    void publishTimeline();

    const PcmFormat m_format;
    const int64_t m_totalFrames;
    const std::function<void()> m_onDrained;
    const std::function<void()> m_onFailed;

    mutable std::mutex m_mutex;
    std::unique_ptr<Mpg123Decoder> m_decoder;
    std::span<const float> m_decoded; // decoded from m_readFrame on and not rendered yet
    soundtouch::SoundTouch m_stretcher;
    bool m_stretcherFlushed = false;
    double m_tempo = 1.0;
    float m_gain = 1.0f;
    int64_t m_readFrame = 0;      // next source frame to render or to stretch
    int64_t m_renderedFrames = 0; // output frames rendered since the start
    bool m_ranDry = false;
    std::deque<Segment> m_segments;
    Published<Timeline> m_timeline;
    LevelMeter m_meter;
};

} // namespace Playback
