#pragma once

#include "Base/Clock.h"
#include "Base/Scheduler.h"

#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace TestSupport {

// A clock that moves only when a test says so.
class ManualClock : public Base::Clock {
public:
    double now() const override { return m_now; }
    void set(double seconds) { m_now = seconds; }

private:
    double m_now = 0;
};

// Runs scheduled work when the test advances time, in due order, moving the clock along.
class ManualScheduler : public Base::Scheduler {
public:
    explicit ManualScheduler(ManualClock& clock) : m_clock(clock) {}

    Base::ScheduledTask after(double seconds, std::function<void()> work) override;

    // Moves time forward by `seconds`, running everything that falls due on the way.
    void advance(double seconds);
    // The number of tasks still waiting (cancelled ones excluded).
    size_t pendingCount() const;
    // Seconds until the earliest pending task, if any.
    std::optional<double> nextDelay() const;

private:
    struct Entry {
        double due;
        quint64 order;
        std::shared_ptr<Base::ScheduledTask::Flag> cancelled;
        std::function<void()> work;
    };

    ManualClock& m_clock;
    std::vector<Entry> m_entries;
    quint64 m_nextOrder = 0;
};

} // namespace TestSupport
