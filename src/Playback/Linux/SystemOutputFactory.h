#pragma once

#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Playback/Linux/NullOutput.h"
#include "Playback/Linux/PcmOutput.h"

#include <memory>

namespace Playback {

class PulseConnection;

// Plays through the sound server while one answers, otherwise through the null output, so that
// playback still advances and finishes. A server that is gone is asked again at the next
// stream, so that playback returns to it once it is back; one that keeps an attempt waiting
// is left alone for a minute, so that not every stream waits on it.
class SystemOutputFactory : public PcmOutputFactory {
public:
    SystemOutputFactory(const Base::Clock& clock = Base::SteadyClock::shared(),
                        Base::Scheduler& scheduler = Base::QtScheduler::shared());
    ~SystemOutputFactory() override;

    std::unique_ptr<PcmOutput> make(const PcmFormat& format, PcmSource& source) override;

private:
    std::unique_ptr<PcmOutput> openPulse(const PcmFormat& format, PcmSource& source);

    const Base::Clock& m_clock;
    std::shared_ptr<PulseConnection> m_pulse;
    bool m_playingToNull = false;
    double m_askPulseAt = 0; // by m_clock
    NullOutputFactory m_null;
};

} // namespace Playback
