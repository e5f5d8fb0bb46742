#pragma once

#include "Parlino/Services/PlayerViewModel.h"

namespace Parlino {

// The reading panel's controls that the keyboard is sent to by name.
enum class PanelFocusTarget {
    // The control bar's play/pause.
    playPause,
    // The first button of the header row: Settings, or Close on a card.
    firstHeaderButton,
    // The last control Tab reaches in the panel, where Shift+Tab from the tutorial's card lands.
    lastControl,
};

// Where the keyboard lands when the user asks to open Parlino (the shortcut, the tray's item, a
// second start): on play/pause while the panel shows a read, so that a screen reader names the
// panel and that control rather than reading the transcript over the read's own voice (the
// transcript is the Tab stop before it); on the header's first button otherwise. From either,
// Tab reaches every control the panel shows.
PanelFocusTarget openFocusTarget(PlayerViewModel::Phase::Kind phase, PanelContentMode mode);

} // namespace Parlino
