#pragma once

#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Playback/Linux/PcmOutput.h"

#include <vector>

namespace Playback {

// Stands in for a sound device where there is none: consumes samples in real time by the clock,
// keeping a short buffer like a device would, and discards them.
class NullOutput : public PcmOutput {
public:
    static constexpr double bufferSeconds = 0.02;
    static constexpr double tickSeconds = 0.01;

    NullOutput(const PcmFormat& format, PcmSource& source, const Base::Clock& clock,
               Base::Scheduler& scheduler);

    bool start() override;
    void pause() override;
    int64_t heardFrames() const override;

private:
    void tick();

    const PcmFormat m_format;
    PcmSource& m_source;
    const Base::Clock& m_clock;
    Base::Scheduler& m_scheduler;
    Base::ScheduledTask m_nextTick;
    std::vector<float> m_buffer;
    bool m_running = false;
    bool m_sourceDry = false;
    double m_startedAt = 0;     // clock time of the last start
    int64_t m_heardAtStart = 0; // frames heard before the last start
    int64_t m_handedFrames = 0;
};

class NullOutputFactory : public PcmOutputFactory {
public:
    NullOutputFactory(const Base::Clock& clock, Base::Scheduler& scheduler)
        : m_clock(clock), m_scheduler(scheduler) {}
    std::unique_ptr<PcmOutput> make(const PcmFormat& format, PcmSource& source) override {
        return std::make_unique<NullOutput>(format, source, m_clock, m_scheduler);
    }

private:
    const Base::Clock& m_clock;
    Base::Scheduler& m_scheduler;
};

} // namespace Playback
