#include "Parlino/Triggers/Linux/ServerTime.h"

#include <cmath>

namespace Parlino::ServerTime {

double uptime(quint32 serverMilliseconds, double now) {
    constexpr double wrap = 4294967296.0; // milliseconds
    const double stamp = serverMilliseconds;
    const double wraps = std::isfinite(now) ? std::round((now * 1000.0 - stamp) / wrap) : 0.0;
    return (stamp + wraps * wrap) / 1000.0;
}

} // namespace Parlino::ServerTime
