#pragma once

#include <atomic>
#include <functional>
#include <memory>

namespace Base {

// A pending timer. Cancelling it, or destroying the handle, makes a later firing a no-op.
class ScheduledTask {
public:
    // Shared between the handle and the scheduler's pending work; set when the task is cancelled
    // or has fired. Atomic, so a handle may be cancelled on another thread than the one it fires
    // on.
    using Flag = std::shared_ptr<std::atomic<bool>>;
    static Flag makeFlag() { return std::make_shared<std::atomic<bool>>(false); }

    ScheduledTask() = default;
    explicit ScheduledTask(Flag cancelled) : m_cancelled(std::move(cancelled)) {}
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
    Flag m_cancelled;
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
