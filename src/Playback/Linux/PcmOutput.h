#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace Playback {

// Interleaved 32-bit float samples at a sample rate with a number of channels.
struct PcmFormat {
    int sampleRate = 44100;
    int channels = 1;
    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};

// Where an output pulls its samples from. Both calls come on the output's own thread.
class PcmSource {
public:
    virtual ~PcmSource() = default;
    // Writes up to `frames` frames into `out`; returns how many it wrote. Fewer than asked means
    // the source has run dry: the output plays what it has and then calls drained().
    virtual size_t render(float* out, size_t frames) = 0;
    // Every frame rendered before the source ran dry has been heard.
    virtual void drained() = 0;
    // The output can no longer play: its device or sound server went away.
    virtual void failed() = 0;
};

// A sound device that pulls samples from one source. Controlled from the main thread.
class PcmOutput {
public:
    virtual ~PcmOutput() = default;
    // Starts or resumes pulling; after the source ran dry, pulls again (it may have been sought).
    // False when the device can no longer play. A device lost while it plays tells the source.
    virtual bool start() = 0;
    // Stops pulling and holds what was handed over but not heard yet.
    virtual void pause() = 0;
    // How many of the frames handed over so far have been heard; callable from any thread.
    virtual int64_t heardFrames() const = 0;
};

class PcmOutputFactory {
public:
    virtual ~PcmOutputFactory() = default;
    // An output that pulls from `source`, which outlives it. Never null.
    virtual std::unique_ptr<PcmOutput> make(const PcmFormat& format, PcmSource& source) = 0;
};

} // namespace Playback
