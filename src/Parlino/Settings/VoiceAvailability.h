#pragma once

#include <QString>

#include <optional>

namespace Parlino {

// How a voice is shown: available (vivid, moving), on hold at the provider (paler, moving) or
// missing from the account's voice list (grey, faded, still).
enum class VoiceAvailability { available, onHold, unavailable };

QString rawValue(VoiceAvailability availability);
// No value for any text but the three raw values.
std::optional<VoiceAvailability> voiceAvailability(const QString& rawValue);

// What the avatar artwork takes from the availability.
struct VoiceAvailabilityLook {
    double meshOpacity;
    double grainOpacity;
    double saturationScale;
    bool moves; // unless Reduce Motion is on
};
VoiceAvailabilityLook look(VoiceAvailability availability);

} // namespace Parlino
