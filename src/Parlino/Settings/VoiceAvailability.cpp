#include "Parlino/Settings/VoiceAvailability.h"

namespace Parlino {

QString rawValue(VoiceAvailability availability) {
    switch (availability) {
    case VoiceAvailability::available:
        return QStringLiteral("available");
    case VoiceAvailability::onHold:
        return QStringLiteral("onHold");
    case VoiceAvailability::unavailable:
        return QStringLiteral("unavailable");
    }
    Q_UNREACHABLE();
}

std::optional<VoiceAvailability> voiceAvailability(const QString& text) {
    for (const auto availability :
         {VoiceAvailability::available, VoiceAvailability::onHold, VoiceAvailability::unavailable})
        if (rawValue(availability) == text)
            return availability;
    return std::nullopt;
}

VoiceAvailabilityLook look(VoiceAvailability availability) {
    switch (availability) {
    case VoiceAvailability::available:
        return {1.0, 0.11, 1.0, true};
    case VoiceAvailability::onHold:
        return {0.75, 0.0825, 0.5, true};
    case VoiceAvailability::unavailable:
        return {0.5, 0.055, 0.0, false};
    }
    Q_UNREACHABLE();
}

} // namespace Parlino
