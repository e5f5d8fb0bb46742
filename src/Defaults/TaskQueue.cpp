#include "Defaults/TaskQueue.h"

#include <condition_variable>
#include <memory>

namespace Defaults {

void TaskQueue::async(std::function<void()> operation) {
    asyncWithCompletion([operation = std::move(operation)](const Done& done) {
        operation();
        done();
    });
}

void TaskQueue::asyncWithCompletion(Operation operation) {
    m_worker.start([operation = std::move(operation)](std::stop_token stop) {
        struct Finish {
            std::mutex mutex;
            std::condition_variable_any finished;
            bool done = false;
        };
        // `done` may come from any thread, after the queue is gone too.
        const auto finish = std::make_shared<Finish>();
        operation([finish] {
            const std::lock_guard lock(finish->mutex);
            finish->done = true;
            finish->finished.notify_all();
        });
        // The next operation waits for this one, unless the queue is going.
        std::unique_lock lock(finish->mutex);
        finish->finished.wait(lock, stop, [&] { return finish->done; });
    });
}

void TaskQueue::flush(std::function<void()> drained) {
    async(std::move(drained));
}

} // namespace Defaults
