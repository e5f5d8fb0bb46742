#pragma once

#include <QtGlobal>

namespace Parlino::ServerTime {

// The X server stamps events with its monotonic clock in milliseconds, cut to 32 bits, so the
// stamp wraps every 49.7 days of uptime. Gives the stamp's seconds of uptime: the unwrapped
// value nearest to `now`, the process's own uptime in seconds.
double uptime(quint32 serverMilliseconds, double now);

} // namespace Parlino::ServerTime
