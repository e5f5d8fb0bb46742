#pragma once

#include "Parlino/Services/PlayerViewModel.h"

#include <QSizeF>

namespace Parlino {

// The reading panel's sheet: how tall its content is for the read's phase, the content mode,
// the band under the notch and the measured transcript. Pure functions, in points.
namespace PanelSizing {

inline constexpr qreal sheetWidth = 496;
// The width the transcript is measured and wrapped at.
inline constexpr qreal transcriptWidth = 464;
inline constexpr qreal cardBody = 64;
inline constexpr qreal otherModesBody = 263;
inline constexpr qreal bottomAllowance = 32;
inline constexpr qreal readingCap = 328;
inline constexpr qreal readingMinimumCap = 72;
inline constexpr qreal textFloor = 28;
inline constexpr qreal textCeilingFactor = 0.38;
inline constexpr qreal readingChrome = 44;
inline constexpr qreal stallRow = 28;
inline constexpr qreal warningRow = 33;
// A transcript this tall fills the reading sheet to its cap on every screen: a taller one need
// not be measured to its end.
inline constexpr qreal fillingTextHeight = readingCap;
// The header row's circular buttons, and its least distance from the sheet's top edge.
inline constexpr qreal headerButton = 23;
inline constexpr qreal headerMinimumPadding = 4;

// What the sheet's height depends on.
struct SheetInputs {
    PlayerViewModel::Phase::Kind phase = PlayerViewModel::Phase::Kind::hidden;
    PanelContentMode contentMode = PanelContentMode::reading;
    qreal topContentInset = 0;
    qreal warningRowHeight = 0;
    qreal textHeight = 0;
    qreal screenHeight = 0;
    // The read could not be saved: a row says so, as a stalled read's row says why it stalled.
    bool showsSaveFailure = false;
};

// The header row's distance from the sheet's top edge: centred in the top inset, never closer
// than 4.
qreal headerTopPadding(qreal topContentInset);

// The band at the top of the sheet that the header row takes: the top inset, or the row with its
// padding where the inset is thinner (a screen without a top bar). Every content starts below
// it, and the sheet grows by it.
qreal headerBand(qreal topContentInset);

// Confirming the length and a capture failure show a card instead of the read.
bool isCardPhase(PlayerViewModel::Phase::Kind phase);

// The warning row shows while a warning is up, during the read's own phases, never on a card.
qreal warningRowHeight(bool warningShown, PlayerViewModel::Phase::Kind phase);

// The reading sheet's content: the transcript block (at least a line, at most 38 % of the
// screen) with its control bar and its stall or save-failure row, capped under the header band.
qreal readingContentHeight(const SheetInputs& inputs);

// The sheet's content size: a card, the settings/clips/voices body, or the reading content.
QSizeF panelSheetSize(const SheetInputs& inputs);

// The visible panel's whole height, from the top of the screen: the content under the header
// band, with the bottom allowance for cards and the other modes.
qreal panelHeight(const SheetInputs& inputs);

} // namespace PanelSizing

} // namespace Parlino
