#include "Parlino/Services/ProgressModel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace Parlino {

namespace {

// Truncates toward zero; values beyond the integer range are held at its ends.
qint64 wholeSeconds(double seconds) {
    constexpr double limit = double(std::numeric_limits<qint32>::max());
    return qint64(std::trunc(std::clamp(seconds, -limit, limit)));
}

} // namespace

void ProgressModel::update(double elapsed, double total, bool isExact) {
    if (!std::isfinite(elapsed))
        elapsed = 0;
    if (elapsed != m_elapsed) {
        m_elapsed = elapsed;
        emit elapsedChanged();
    }
    if (const qint64 whole = wholeSeconds(elapsed); whole != m_elapsedWholeSeconds) {
        m_elapsedWholeSeconds = whole;
        emit elapsedWholeSecondsChanged();
    }
    if (const Total next{total, isExact}; next != m_total) {
        m_total = next;
        emit totalChanged();
    }
}

} // namespace Parlino
