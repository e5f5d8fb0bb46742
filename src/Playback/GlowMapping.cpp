#include "Playback/GlowMapping.h"

#include <algorithm>
#include <cmath>

namespace Playback::GlowMapping {

double level(float decibels) {
    const double d = decibels;
    // A level that is not a number is treated as silence.
    if (std::isnan(d) || d <= -50.0)
        return 0.25;
    return (std::min(d, 0.0) + 50.0) / 50.0 * 0.55 + 0.25;
}

} // namespace Playback::GlowMapping
