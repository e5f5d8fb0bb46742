#include "Playback/Linux/SystemOutputFactory.h"

#include "Base/Log.h"
#include "Playback/Linux/PulseOutput.h"

namespace Playback {

SystemOutputFactory::SystemOutputFactory(const Base::Clock& clock, Base::Scheduler& scheduler)
    : m_null(clock, scheduler) {}

SystemOutputFactory::~SystemOutputFactory() = default;

std::unique_ptr<PcmOutput> SystemOutputFactory::make(const PcmFormat& format, PcmSource& source) {
    if (!m_pulseFailed) {
        if (auto output = openPulse(format, source))
            return output;
        m_pulseFailed = true;
        Base::Log(QStringLiteral("audio"))
            .notice("no sound server answered: playing to the null output");
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
