#include "Base/Clock.h"

#include <chrono>

namespace Base {

double SteadyClock::now() const {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(sinceStart).count();
}

SteadyClock& SteadyClock::shared() {
    static SteadyClock clock;
    return clock;
}

} // namespace Base
