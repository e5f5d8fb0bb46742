#include "Playback/Linux/NullOutput.h"

#include <algorithm>
#include <cmath>

namespace Playback {

NullOutput::NullOutput(const PcmFormat& format, PcmSource& source, const Base::Clock& clock,
                       Base::Scheduler& scheduler)
    : m_format(format), m_source(source), m_clock(clock), m_scheduler(scheduler) {}

bool NullOutput::start() {
    if (!m_running) {
        m_heardAtStart = heardFrames();
        m_startedAt = m_clock.now();
        m_running = true;
    }
    m_sourceDry = false;
    tick();
    return true;
}

void NullOutput::pause() {
    m_heardAtStart = heardFrames();
    m_running = false;
    m_nextTick.cancel();
}

int64_t NullOutput::heardFrames() const {
    if (!m_running)
        return m_heardAtStart;
    const double elapsed = std::max(0.0, m_clock.now() - m_startedAt) * m_format.sampleRate;
    return std::min(m_handedFrames, m_heardAtStart + int64_t(std::floor(elapsed)));
}

void NullOutput::tick() {
    if (!m_sourceDry) {
        const auto buffer = int64_t(std::ceil(bufferSeconds * m_format.sampleRate));
        const int64_t wanted = heardFrames() + buffer - m_handedFrames;
        if (wanted > 0) {
            m_buffer.resize(size_t(wanted * m_format.channels));
            const auto rendered = int64_t(m_source.render(m_buffer.data(), size_t(wanted)));
            m_handedFrames += rendered;
            m_sourceDry = rendered < wanted;
        }
    }
    if (m_sourceDry && heardFrames() == m_handedFrames) {
        pause();
        m_source.drained();
        return;
    }
    m_nextTick = m_scheduler.after(tickSeconds, [this] { tick(); });
}

} // namespace Playback
