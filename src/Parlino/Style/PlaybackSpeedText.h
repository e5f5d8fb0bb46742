#pragma once

#include <QString>

namespace Parlino {

// The playback speed in its shortest decimal form with a multiplication sign, without a locale:
// "1×", "1.25×". Every speed chip shows it.
QString playbackSpeedText(double rate);
// What assistive tools call a speed chip: "Playback speed 1.25×".
QString playbackSpeedName(double rate);

} // namespace Parlino
