#include "Base/Worker.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <system_error>

#include <sys/resource.h>
#include <unistd.h>

namespace Base {

Worker::Worker(Options options) : m_options(options) {}

Worker::~Worker() {
    for (auto& thread : m_threads)
        thread.request_stop();
}

void Worker::start(std::function<void(std::stop_token)> work) {
    const std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(work));
    if (m_threads.size() < static_cast<std::size_t>(std::max(m_options.threads, 1))) {
        try {
            m_threads.emplace_back([this](std::stop_token stop) { serve(stop); });
            return;
        } catch (const std::system_error&) {
            // No thread to be had: the ones there take the work, or nobody can.
            if (m_threads.empty()) {
                m_queue.pop_back();
                throw;
            }
        }
    }
    m_changed.notify_all();
}

void Worker::serve(std::stop_token stop) {
    // Nicer than the thread it starts as, never less nice: a program started under `nice` keeps
    // its background work below its own threads.
    if (m_options.niceness > 0) {
        const id_t self = id_t(::gettid());
        errno = 0;
        const int inherited = ::getpriority(PRIO_PROCESS, self);
        if (errno == 0)
            ::setpriority(PRIO_PROCESS, self, std::min(inherited + m_options.niceness, 19));
    }
    std::unique_lock lock(m_mutex);
    for (;;) {
        // Work given before the stop still runs, seeing the stop: nothing started is lost.
        m_changed.wait(lock, stop, [this] { return !m_queue.empty(); });
        if (m_queue.empty())
            return;
        auto work = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_running;
        lock.unlock();
        work(stop);
        work = nullptr; // what the work holds goes here, not with the next piece
        lock.lock();
        --m_running;
        m_changed.notify_all();
    }
}

bool Worker::waitForIdle(std::chrono::milliseconds bound) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, bound, [this] { return m_queue.empty() && m_running == 0; });
}

bool Worker::finish(QObject& receiver, std::chrono::milliseconds bound) {
    const bool idle = waitForIdle(bound);
    QCoreApplication::sendPostedEvents(&receiver);
    return idle;
}

bool Worker::isIdle() const {
    const std::lock_guard lock(m_mutex);
    return m_queue.empty() && m_running == 0;
}

} // namespace Base
