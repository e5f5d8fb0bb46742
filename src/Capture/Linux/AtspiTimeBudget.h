#pragma once

#include "Base/Clock.h"

#include <atspi/atspi.h>

#include <algorithm>
#include <cmath>

namespace Capture {

// The time left for one accessibility query, shared by all its libatspi calls: each call waits
// for its answer only as long as the query still has, so that an application that stops
// answering costs the query its time once, not once per call.
class AtspiTimeBudget {
public:
    AtspiTimeBudget(const Base::Clock& clock, double seconds)
        : m_clock(clock), m_deadline(clock.now() + seconds) {}

    bool expired() const { return m_clock.now() >= m_deadline; }

    // A share of the time left: at most `seconds` from now.
    AtspiTimeBudget share(double seconds) const {
        return AtspiTimeBudget(m_clock, std::min(seconds, m_deadline - m_clock.now()));
    }

    // The time left in whole milliseconds, at least 1; 0 once the time is up.
    int milliseconds() const {
        const double left = m_deadline - m_clock.now();
        return left > 0 ? std::max(1, int(std::ceil(left * 1000))) : 0;
    }

    // Call before each libatspi call: false once the time is up, else bounds the call by the
    // time left (libatspi's time-out is process-wide; only the GLib thread makes calls).
    bool arm() const {
        const int left = milliseconds();
        if (left == 0)
            return false;
        atspi_set_timeout(left, left);
        return true;
    }

private:
    const Base::Clock& m_clock;
    const double m_deadline;
};

} // namespace Capture
