#include "Parlino/Style/PlaybackSpeedText.h"

namespace Parlino {

QString playbackSpeedText(double rate) {
    return QString::asprintf("%g", rate) + QChar(0x00D7);
}

QString playbackSpeedName(double rate) {
    return QStringLiteral("Playback speed ") + playbackSpeedText(rate);
}

} // namespace Parlino
