#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace Base {

// A pending timer. Cancelling it, or destroying the handle, makes a later firing a no-op. The
// shared flag is set when the timer is cancelled or has fired; it may be set from any thread.
class ScheduledTask {
public:
    using Flag = std::atomic<bool>;

    ScheduledTask() = default;
    explicit ScheduledTask(std::shared_ptr<Flag> cancelled) : m_cancelled(std::move(cancelled)) {}
    ScheduledTask(ScheduledTask&&) noexcept = default;
    ScheduledTask& operator=(ScheduledTask&& other) noexcept {
        cancel();
        m_cancelled = std::move(other.m_cancelled);
        return *this;
    }
    ScheduledTask(const ScheduledTask&) = delete;
    ScheduledTask& operator=(const ScheduledTask&) = delete;
    ~ScheduledTask() { cancel(); }

    void cancel() {
        if (m_cancelled)
            *m_cancelled = true;
        m_cancelled.reset();
    }
    bool isPending() const { return m_cancelled && !*m_cancelled; }

private:
    std::shared_ptr<Flag> m_cancelled;
};

// Runs work on the main thread after a delay in seconds. Inject it; tests use a manual one.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    [[nodiscard]] virtual ScheduledTask after(double seconds, std::function<void()> work) = 0;
};

// Qt timers with millisecond precision on the main thread.
class QtScheduler : public Scheduler {
public:
    ScheduledTask after(double seconds, std::function<void()> work) override;
    static QtScheduler& shared();
};

} // namespace Base
