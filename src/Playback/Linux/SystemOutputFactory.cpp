#include "Playback/Linux/SystemOutputFactory.h"

#include "Base/Log.h"
#include "Playback/Linux/PulseOutput.h"

#include <utility>

namespace Playback {

namespace {

// An attempt that takes this long met a server that hangs rather than one that is gone.
constexpr double slowAttemptSeconds = 0.5;
constexpr double hangingServerPauseSeconds = 60;

const Base::Log& log() {
    static const Base::Log instance(QStringLiteral("audio"));
    return instance;
}

} // namespace

SystemOutputFactory::SystemOutputFactory(const Base::Clock& clock, Base::Scheduler& scheduler)
    : m_clock(clock), m_null(clock, scheduler) {}

SystemOutputFactory::~SystemOutputFactory() = default;

std::unique_ptr<PcmOutput> SystemOutputFactory::make(const PcmFormat& format, PcmSource& source) {
    if (m_clock.now() >= m_askPulseAt) {
        const double began = Base::SteadyClock::shared().now();
        if (auto output = openPulse(format, source)) {
            if (std::exchange(m_playingToNull, false))
                log().notice("the sound server answers again: playing through it");
            return output;
        }
        const bool slow = Base::SteadyClock::shared().now() - began >= slowAttemptSeconds;
        m_askPulseAt = slow ? m_clock.now() + hangingServerPauseSeconds : 0;
        if (!std::exchange(m_playingToNull, true))
            log().notice("no sound server answered: playing to the null output");
    }
    return m_null.make(format, source);
}

std::unique_ptr<PcmOutput> SystemOutputFactory::openPulse(const PcmFormat& format,
                                                          PcmSource& source) {
    if (!m_pulse || !m_pulse->isReady())
        m_pulse = PulseConnection::connect();
    return PulseOutput::open(m_pulse, format, source);
}

} // namespace Playback
