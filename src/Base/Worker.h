#pragma once

#include "Base/MainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <type_traits>
#include <vector>

class QObject;

namespace Base {

// The one way work leaves the main thread: threads that run the work given to them in turn and
// hand each result to a receiver on the main thread. A worker belongs to the object that starts
// work on it and goes with it: its destructor asks the running and waiting work to stop (through
// the stop token each piece is given), lets what waits run (so that work that must finish, such
// as a save, finishes, and work that can stop, stops at once) and joins its threads. Nothing it
// runs outlives its owner, and a result whose receiver is gone is dropped. The threads start with
// the first piece of work and sleep while there is none.
class Worker final {
public:
    struct Options {
        int threads = 1;  // with one, pieces run one at a time in the order given
        int niceness = 0; // added to the niceness the worker's threads start with (at most 19)
    };

    Worker() : Worker(Options{}) {}
    explicit Worker(Options options);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Runs `work` on a thread of the worker.
    void start(std::function<void(std::stop_token)> work);

    // Runs `work` (given the stop token, or nothing) on a thread of the worker, then `done` with
    // its result on the main thread through `receiver`, unless the receiver is gone by then. The
    // receiver lives on the main thread and outlives the worker: its owner declares it first.
    template <typename Work, typename Done> void run(QObject& receiver, Work work, Done done) {
        start([&receiver, work = std::move(work),
               done = std::move(done)](std::stop_token stop) mutable {
            if constexpr (std::is_void_v<decltype(call(work, stop))>) {
                call(work, stop);
                MainThread::post(receiver, std::move(done));
            } else {
                MainThread::post(receiver,
                                 [done = std::move(done), result = call(work, stop)]() mutable {
                                     done(std::move(result));
                                 });
            }
        });
    }

    // Waits until the work started so far has run, for at most `bound`; whether it has.
    bool waitForIdle(std::chrono::milliseconds bound);
    // The same, then runs on the main thread (the caller's) the results handed to `receiver` so
    // far, rather than leaving them to its event loop; whether all the work had run.
    bool finish(QObject& receiver, std::chrono::milliseconds bound);
    bool isIdle() const;

private:
    template <typename Work> static decltype(auto) call(Work& work, std::stop_token stop) {
        if constexpr (std::is_invocable_v<Work&, std::stop_token>)
            return work(stop);
        else
            return work();
    }

    void serve(std::stop_token stop);

    const Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    std::deque<std::function<void(std::stop_token)>> m_queue;
    int m_running = 0;
    std::vector<std::jthread> m_threads; // declared last: joined before the queue goes
};

} // namespace Base
