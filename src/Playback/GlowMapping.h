#pragma once

namespace Playback::GlowMapping {

// The panel glow's intensity for an audio level in dBFS: 0.25 at or below -50 dB, rising
// linearly to 0.80 at 0 dB, and 0.80 above.
double level(float decibels);

} // namespace Playback::GlowMapping
