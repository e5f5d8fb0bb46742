#include "Base/Sleeper.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace Base {

bool SteadySleeper::sleep(double seconds, std::stop_token stop) {
    // Guard the conversion: a non-finite or negative wait returns at once, a huge one is capped.
    const double bounded = std::isfinite(seconds) ? std::clamp(seconds, 0.0, 1.0e6) : 0.0;
    std::mutex mutex;
    std::condition_variable_any wakeUp;
    std::unique_lock lock(mutex);
    wakeUp.wait_for(lock, stop, std::chrono::duration<double>(bounded), [] { return false; });
    return !stop.stop_requested();
}

SteadySleeper& SteadySleeper::shared() {
    static SteadySleeper sleeper;
    return sleeper;
}

} // namespace Base
