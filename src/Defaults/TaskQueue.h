#pragma once

#include "Base/Worker.h"

#include <functional>
#include <mutex>

namespace Defaults {

// A serial queue of operations on a worker of its own: each starts after the one before it has
// finished, in the order they were queued, from whatever thread. Destroying the queue runs the
// operations already queued but no longer waits for one to call `done`; it goes with its owner,
// so that no operation outlives what it works on.
class TaskQueue {
public:
    // Calls its argument once, from any thread, when the operation has finished.
    using Done = std::function<void()>;
    using Operation = std::function<void(Done done)>;

    // Queues an operation that has finished when it returns.
    void async(std::function<void()> operation);
    // Queues an operation that finishes when it calls `done`.
    void asyncWithCompletion(Operation operation);
    // Calls `drained` once every operation queued before it has finished.
    void flush(std::function<void()> drained);

private:
    Base::Worker m_worker;
};

// A value guarded by its own lock; reads give a copy.
template <class T> class Atomic {
public:
    explicit Atomic(T value = T()) : m_value(std::move(value)) {}

    T value() const {
        std::lock_guard lock(m_mutex);
        return m_value;
    }
    void setValue(T value) {
        std::lock_guard lock(m_mutex);
        m_value = std::move(value);
    }
    // Runs `change` on the value under the lock, so that a read and a write made from it are
    // one step, and returns what `change` returns.
    template <class F> auto modify(F&& change) {
        std::lock_guard lock(m_mutex);
        return std::forward<F>(change)(m_value);
    }

private:
    mutable std::mutex m_mutex;
    T m_value;
};

} // namespace Defaults
