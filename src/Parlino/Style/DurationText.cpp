#include "Parlino/Style/DurationText.h"

#include <algorithm>
#include <cmath>

namespace Parlino {

QString formatMinutesSeconds(double seconds) {
    const double rounded = std::round(seconds);
    // The largest double below 2^63 still converts to a 64-bit integer.
    const double largest = std::nextafter(0x1p63, 0.0);
    const qint64 total = rounded > 0 ? qint64(std::min(rounded, largest)) : 0;
    return QStringLiteral("%1:%2")
        .arg(QString::number(total / 60))
        .arg(QString::number(total % 60), 2, QLatin1Char('0'));
}

} // namespace Parlino
