#pragma once

#include <QList>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

class QWidget;

namespace Parlino::WindowPlacement {

// What an ordinary window (settings, clips) is placed by, in the desktop's coordinates.
struct Request {
    // The screens' areas free of the desktop's own panels.
    QList<QRect> screens;
    QPoint pointer;
    // What the application's floating surfaces (the reading panel, the tutorial's card) cover.
    QList<QRect> covered;
    // The window's own size; it shrinks to fit a smaller screen.
    QSize size;
    // The window manager's frame around the window.
    QMargins frame;
    // Where the window's frame stood when it was last shown; none the first time.
    std::optional<QRect> previous;
    // The least the window stays usable at, its pane scrolling; empty where it keeps its size.
    QSize minimum;
};

// Where the window goes: on the screen under the pointer (the nearest one when the pointer is
// on none), its frame inside the screen's free area and clear of the covered areas where room
// allows; else made smaller, down to its minimum, to fit the largest area they leave free; else
// covering as little of them as it can. A window shown before stays where it was when that is on
// the pointer's screen and uncovered. The result is the window's content rectangle (without the
// frame): always inside the screen's free area, and never smaller than the minimum that area
// holds, even where the frame then reaches past the area's edges.
QRect place(const Request& request);

// Whether `frame` can be a window manager's frame around a window on a screen of `screen`'s size,
// both in the same pixels: no side takes more than an eighth of the screen's width (left, right)
// or height (top, bottom). Anything larger is a client's mistake, not a frame.
bool isFrame(QMargins frame, QSize screen);

// Whether the window finds a place as above, at least at its minimum size, that none of the
// covered areas overlaps.
bool fitsClear(const Request& request);

// The window manager's frame of `devicePixels` on each side in the window's own logical pixels
// at `ratio` device pixels to one, each side rounded up, so that a frame placed inside a screen
// by it lies inside that screen.
QMargins logicalFrame(QMargins devicePixels, qreal ratio);

// The part of a screen's free area `available` that the docks (panels, tray strips) standing along
// its edges leave, where the desktop keeps no room free for them: a dock wider than tall at the
// top or the bottom edge takes the band down or up to its far side, one taller than wide at the
// left or the right edge the band across to it. A dock elsewhere, or deeper than a quarter of
// the area, takes nothing.
QRect outsideDocks(QRect available, const QList<QRect>& docks);

// What the frame of a window adds, in device pixels, until the window manager tells: a title bar
// a little taller than most, and thin borders.
inline constexpr QMargins estimatedFrame(1, 32, 1, 1);

// The request for a window at `size` and `minimum`, in a frame of `frame` logical pixels, on the
// screens less the `docks` along their edges, among the floating surfaces shown now, with the
// pointer where it is now. Main thread.
Request requestOnPointerScreen(QSize size, QSize minimum, QMargins frame,
                               const QList<QRect>& docks = {});

// Gives the window the content rectangle placed for `request`: its fitted size as its fixed size,
// its contents' top left where the rectangle puts it (making its native window first); a window
// that stays where it was is not moved. The frame's rectangle as placed. Main thread.
QRect apply(QWidget& window, const Request& request);

} // namespace Parlino::WindowPlacement
