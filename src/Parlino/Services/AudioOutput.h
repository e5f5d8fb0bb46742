#pragma once

#include "Base/Scheduler.h"

#include <QList>
#include <QObject>

#include <functional>

namespace Parlino {

// The application's one mute switch. Every player that makes sound registers a gain setter;
// muting or unmuting moves every gain between 1 and 0 through a short linear ramp. The
// application always starts unmuted. Main thread only.
class AudioOutput : public QObject {
    Q_OBJECT

public:
    using Sink = std::function<void(float gain)>;

    // Four steps this far apart, then the exact target.
    static constexpr double rampStepSeconds = 0.0075;

    explicit AudioOutput(Base::Scheduler& scheduler, QObject* parent = nullptr);

    bool isMuted() const { return m_isMuted; }
    // Changes the flag alone; no gain is touched.
    void setIsMuted(bool muted);

    // Mutes or unmutes with the ramp. A ramp in progress stops where it is and the new one starts
    // from the full value of the old state.
    void setMuted(bool muted);

    const QList<Sink>& sinks() const { return m_sinks; }
    // Registers a player; whoever registers applies the current state to it at once.
    void addSink(Sink sink);

signals:
    void isMutedChanged();
    void sinksChanged();

private:
    void rampStep(int step, float start, float target);
    void applyGain(float gain) const;

    Base::Scheduler& m_scheduler;
    bool m_isMuted = false;
    QList<Sink> m_sinks;
    Base::ScheduledTask m_rampTask;
};

} // namespace Parlino
