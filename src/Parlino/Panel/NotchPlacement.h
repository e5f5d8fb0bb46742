#pragma once

#include "Parlino/Panel/ScreenProvider.h"

#include <QRectF>
#include <QSizeF>

namespace Parlino {

class SurfaceWindow;

// Where the floating surfaces hang from the top edge of a screen: out of the notch where there
// is one, else centred under the top panel. Rectangles are in the bottom-up coordinates of
// ScreenScalars; the present… functions frame a surface's window and order it front.
namespace NotchPlacement {

// The band under the top edge that content stays below: the notch, or the top panel if taller.
qreal topInset(const ScreenScalars& screen);

// The pill under the notch; 220 × 34 under the top panel without one.
QRectF bubblePillRect(const ScreenScalars& screen);
// The part of `rect` above the notch's lower edge; 0 without a notch.
qreal hiddenHeight(const ScreenScalars& screen, const QRectF& rect);
QRectF idleBarRect(const ScreenScalars& screen);
QRectF warningPopupRect(const ScreenScalars& screen);

// The fraction of a point by which `rect` starts right of a whole point. Windows start on the
// whole point, 2 × bleed wider, and their views inset the pill by the bleed.
qreal horizontalBleed(const QRectF& rect);

// A pill surface's window frame and the values its view draws with.
struct PillPlacement {
    QRectF windowFrame;
    qreal pillHeight = 0;
    // The pill's height below the notch (the bubble's visible height, the idle bar's slide).
    qreal visibleHeight = 0;
    qreal horizontalBleed = 0;
};

PillPlacement bubblePlacement(const ScreenScalars& screen);
PillPlacement idleBarPlacement(const ScreenScalars& screen);
// The warning pill has no bleed; its visible height is its pill height.
PillPlacement warningPlacement(const ScreenScalars& screen);

// The reading panel's window: wide enough for the sheet and as tall as its tallest content
// (any reading sheet, a card, or the settings, clips and voices sheet) under the top inset,
// centred on the available area with its top at the top of the screen.
QRectF panelWindowFrame(const ScreenScalars& screen);

// Where the reading panel's sheet shows on the screen for a sheet of `panelHeight` (top inset
// included), centred on the window's current frame.
QRectF visiblePanelRect(const ScreenScalars& screen, qreal panelHeight, const QRectF& windowFrame);
// Whether the panel lets clicks at `pointer` through: inside its window but away from its sheet.
bool panelIgnoresMouseAt(QPointF pointer, const QRectF& windowFrame, const QRectF& visibleRect);

// Within half a point in x, y, width and height.
bool framesNearlyEqual(const QRectF& a, const QRectF& b);

// Frame the window for the screen (with redisplay), order it front, and return the values for
// the surface's view.
PillPlacement presentBubbleWindow(SurfaceWindow& window, const ScreenScalars& screen);
PillPlacement presentIdleBarWindow(SurfaceWindow& window, const ScreenScalars& screen);
PillPlacement presentWarningWindow(SurfaceWindow& window, const ScreenScalars& screen);

// Sets the panel's window frame unless it is already within half a point of it; returns whether
// it set it.
bool applyPanelFrame(SurfaceWindow& panel, const ScreenScalars& screen);
// Lets the panel take the mouse, frames it and orders it front. The caller then decides its
// click-through at rest with panelIgnoresMouseAt.
void presentPanelWindow(SurfaceWindow& panel, const ScreenScalars& screen);

} // namespace NotchPlacement

} // namespace Parlino
