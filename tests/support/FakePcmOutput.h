#pragma once

#include "Playback/Linux/PcmOutput.h"

#include <vector>

namespace TestSupport {

// An output that pulls samples only when the test says so and keeps what it pulled.
class FakePcmOutput : public Playback::PcmOutput {
public:
    FakePcmOutput(const Playback::PcmFormat& format, Playback::PcmSource& source)
        : format(format), source(source) {}

    bool start() override {
        ++starts;
        running = startable;
        return startable;
    }
    void pause() override { running = false; }
    int64_t heardFrames() const override {
        return int64_t(played.size()) / format.channels - pending;
    }

    // Pulls up to `frames` frames, as a device would; returns how many came.
    size_t consume(size_t frames) {
        const size_t channels = size_t(format.channels);
        std::vector<float> block(frames * channels);
        const size_t rendered = source.render(block.data(), frames);
        played.insert(played.end(), block.begin(), block.begin() + long(rendered * channels));
        return rendered;
    }
    // Pulls until the source runs dry, in device-sized blocks.
    void consumeAll(size_t blockFrames = 441) {
        while (consume(blockFrames) == blockFrames) {
        }
    }
    // Reports that everything pulled has been heard.
    void drain() { source.drained(); }
    // The device went away.
    void fail() {
        running = false;
        startable = false;
        source.failed();
    }

    const Playback::PcmFormat format;
    Playback::PcmSource& source;
    std::vector<float> played;
    int64_t pending = 0; // of the frames pulled, those not heard yet
    bool running = false;
    bool startable = true;
    int starts = 0;
};

// Makes fake outputs and keeps a pointer to the last one, which its player owns.
class FakePcmOutputFactory : public Playback::PcmOutputFactory {
public:
    std::unique_ptr<Playback::PcmOutput> make(const Playback::PcmFormat& format,
                                              Playback::PcmSource& source) override {
        auto output = std::make_unique<FakePcmOutput>(format, source);
        last = output.get();
        return output;
    }

    FakePcmOutput* last = nullptr;
};

} // namespace TestSupport
