#include "Parlino/Panel/PlaybackLabels.h"

#include "Parlino/Style/DurationText.h"

#include <algorithm>

namespace Parlino::PlaybackLabels {

using Kind = PlayerViewModel::Phase::Kind;

QString timeText(double elapsedSeconds, const ProgressModel::Total& total) {
    return formatMinutesSeconds(elapsedSeconds) + QStringLiteral(" / ") +
           (total.isExact ? QString() : QStringLiteral("~")) + formatMinutesSeconds(total.seconds);
}

double progressFraction(double elapsedSeconds, double totalSeconds) {
    if (!(totalSeconds > 0) || !(elapsedSeconds > 0))
        return 0;
    return std::min(1.0, elapsedSeconds / totalSeconds);
}

QString playPauseSymbol(Kind phase) {
    return phase == Kind::playing ? QStringLiteral("pause.fill") : QStringLiteral("play.fill");
}

QString playPauseName(Kind phase) {
    return phase == Kind::playing ? QStringLiteral("Pause") : QStringLiteral("Play");
}

bool showsReplay(Kind phase) {
    return phase == Kind::finished;
}

BubbleIndicator bubbleIndicator(Kind phase) {
    switch (phase) {
    case Kind::listening:
    case Kind::loading:
    case Kind::recapturing:
        return BubbleIndicator::spinner;
    case Kind::stalled:
    case Kind::failed:
        return BubbleIndicator::failure;
    case Kind::confirmingLength:
    case Kind::hidden:
    case Kind::playing:
    case Kind::paused:
    case Kind::finished:
        return BubbleIndicator::time;
    }
    Q_UNREACHABLE();
}

bool isFailure(Kind phase) {
    return bubbleIndicator(phase) == BubbleIndicator::failure;
}

} // namespace Parlino::PlaybackLabels
