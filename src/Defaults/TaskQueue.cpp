#include "Defaults/TaskQueue.h"

#include <QThreadPool>

#include <atomic>

namespace Defaults {

TaskQueue::TaskQueue() : m_state(std::make_shared<State>()) {}

void TaskQueue::async(std::function<void()> operation) {
    asyncWithCompletion([operation = std::move(operation)](const Done& done) {
        operation();
        done();
    });
}

void TaskQueue::asyncWithCompletion(Operation operation) {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->pending.append(std::move(operation));
        if (m_state->running)
            return;
        m_state->running = true;
    }
    runNext(m_state);
}

void TaskQueue::flush(std::function<void()> drained) {
    async(std::move(drained));
}

void TaskQueue::runNext(const std::shared_ptr<State>& state) {
    Operation operation;
    {
        std::lock_guard lock(state->mutex);
        if (state->pending.isEmpty()) {
            state->running = false;
            return;
        }
        operation = state->pending.takeFirst();
    }
    // The pool task holds the state, not the queue, so queued work outlives the queue.
    QThreadPool::globalInstance()->start([state, operation = std::move(operation)] {
        auto finished = std::make_shared<std::atomic<bool>>(false);
        operation([state, finished] {
            if (!finished->exchange(true))
                runNext(state);
        });
    });
}

} // namespace Defaults
