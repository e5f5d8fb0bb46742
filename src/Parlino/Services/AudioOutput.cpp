#include "Parlino/Services/AudioOutput.h"

#include <QPointer>

namespace Parlino {

namespace {
constexpr int rampSteps = 4;
}

AudioOutput::AudioOutput(Base::Scheduler& scheduler, QObject* parent)
    : QObject(parent), m_scheduler(scheduler) {}

void AudioOutput::setIsMuted(bool muted) {
    if (muted == m_isMuted)
        return;
    m_isMuted = muted;
    emit isMutedChanged();
}

void AudioOutput::setMuted(bool muted) {
    if (muted == m_isMuted)
        return;
    const float start = m_isMuted ? 0.0f : 1.0f;
    const float target = muted ? 0.0f : 1.0f;
    setIsMuted(muted);
    m_rampTask.cancel();
    rampStep(1, start, target);
}

// Step k of 1…4 sets start + k/4 of the way; a fifth call settles on the exact target.
void AudioOutput::rampStep(int step, float start, float target) {
    if (step > rampSteps) {
        applyGain(target);
        return;
    }
    applyGain(start + float(step) * 0.25f * (target - start));
    const auto next = [self = QPointer(this), step, start, target] {
        if (self)
            self->rampStep(step + 1, start, target);
    };
    if (step < rampSteps)
        m_rampTask = m_scheduler.after(rampStepSeconds, next);
    else
        next();
}

void AudioOutput::applyGain(float gain) const {
    for (const Sink& sink : m_sinks)
        sink(gain);
}

void AudioOutput::addSink(Sink sink) {
    m_sinks.append(std::move(sink));
    emit sinksChanged();
}

} // namespace Parlino
