#pragma once

#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/PcmOutput.h"

#include <memory>

namespace Playback {

class PulseConnection;

// Plays through the sound server while one answers; otherwise, and from the first stream the
// server refuses on, through the null output, so that playback still advances and finishes.
class SystemOutputFactory : public PcmOutputFactory {
public:
    SystemOutputFactory(const Base::Clock& clock = Base::SteadyClock::shared(),
                        Base::Scheduler& scheduler = Base::QtScheduler::shared());
    ~SystemOutputFactory() override;

    std::unique_ptr<PcmOutput> make(const PcmFormat& format, PcmSource& source) override;

private:
    std::unique_ptr<PcmOutput> openPulse(const PcmFormat& format, PcmSource& source);

    std::shared_ptr<PulseConnection> m_pulse;
    bool m_pulseFailed = false;
    NullOutputFactory m_null;
};

} // namespace Playback
