#pragma once

#include "Base/Clock.h"
#include "Base/Sleeper.h"

#include <algorithm>
#include <functional>
#include <map>
#include <mutex>

namespace TestSupport {

// A clock and sleeper for code that waits on worker threads: sleeping moves the clock forward at
// once, so waits, polls and time-outs run through without real time passing. Thread-safe, but
// deterministic only while one thread at a time sleeps.
class VirtualTime : public Base::Clock, public Base::Sleeper {
public:
    double now() const override {
        std::lock_guard lock(m_mutex);
        return m_now;
    }

    // Moves the clock on; a stop requested by an action on the way cuts the sleep short.
    bool sleep(double seconds, std::stop_token stop) override {
        if (stop.stop_requested())
            return false;
        advance(seconds);
        return !stop.stop_requested();
    }

    // Runs `action` on the thread that moves the clock to or past `time`.
    void at(double time, std::function<void()> action) {
        std::lock_guard lock(m_mutex);
        m_actions.emplace(time, std::move(action));
    }

    // Moves the clock forward by `seconds`, running due actions in time order.
    void advance(double seconds) {
        std::unique_lock lock(m_mutex);
        const double target = m_now + seconds;
        while (!m_actions.empty() && m_actions.begin()->first <= target) {
            auto node = m_actions.extract(m_actions.begin());
            m_now = std::max(m_now, node.key());
            lock.unlock();
            node.mapped()();
            lock.lock();
        }
        m_now = target;
    }

private:
    mutable std::mutex m_mutex;
    double m_now = 0;
    std::multimap<double, std::function<void()>> m_actions;
};

} // namespace TestSupport
