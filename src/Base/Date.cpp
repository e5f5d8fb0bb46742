#include "Base/Date.h"

#include <chrono>
#include <cmath>

namespace Base {

Date Date::now() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return fromUnixSeconds(std::chrono::duration<double>(sinceEpoch).count());
}

Date Date::fromDateTime(const QDateTime& dateTime) {
    return fromUnixSeconds(static_cast<double>(dateTime.toMSecsSinceEpoch()) / 1000.0);
}

QDateTime Date::toDateTime() const {
    const double ms = std::round(unixSeconds() * 1000.0);
    // QDateTime holds about ±292 million years; refuse what would not fit in its integer.
    if (!std::isfinite(ms) || std::fabs(ms) > 9.0e15)
        return {};
    return QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms), Qt::UTC);
}

} // namespace Base
