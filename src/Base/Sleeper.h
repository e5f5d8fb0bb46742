#pragma once

#include <stop_token>

namespace Base {

// Blocks a worker thread for a while, waking early when stop is requested. The blocking
// counterpart of Scheduler for code that runs off the main thread: inject it; tests use a virtual
// one that moves their clock instead of waiting.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    // Waits `seconds`; false when `stop` was requested before or during the wait.
    [[nodiscard]] virtual bool sleep(double seconds, std::stop_token stop) = 0;
};

// Waits on the process's steady clock.
class SteadySleeper : public Sleeper {
public:
    bool sleep(double seconds, std::stop_token stop) override;
    static SteadySleeper& shared();
};

} // namespace Base
