#pragma once

#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/ProgressModel.h"

#include <QString>

namespace Parlino {

// What the control bar, the progress bar and the bubble show of a read, as pure functions.
namespace PlaybackLabels {

// "elapsed / total", the total marked "~" while it is an estimate: "1:05 / ~3:20".
QString timeText(double elapsedSeconds, const ProgressModel::Total& total);

// How much of the bar is filled: elapsed over total within 0...1, and 0 without a total.
double progressFraction(double elapsedSeconds, double totalSeconds);

// The play/pause button's symbol: pause while playing, play in every other phase.
QString playPauseSymbol(PlayerViewModel::Phase::Kind phase);

// The play/pause button's accessible name, the action it performs: "Pause" while playing,
// "Play" in every other phase.
QString playPauseName(PlayerViewModel::Phase::Kind phase);

// The replay button shows once a read has finished.
bool showsReplay(PlayerViewModel::Phase::Kind phase);

// What the bubble shows at its trailing end.
enum class BubbleIndicator { spinner, failure, time };
BubbleIndicator bubbleIndicator(PlayerViewModel::Phase::Kind phase);

// The speed turns red on a stalled or failed read.
bool isFailure(PlayerViewModel::Phase::Kind phase);

} // namespace PlaybackLabels

} // namespace Parlino
