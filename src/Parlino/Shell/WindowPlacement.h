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
// frame).
QRect place(const Request& request);

// Whether the window finds a place as above, at least at its minimum size, that none of the
// covered areas overlaps.
bool fitsClear(const Request& request);

// The request for the window at `size` and `minimum` among the floating surfaces shown now, with
// the pointer where it is now. Main thread.
Request requestOnPointerScreen(const QWidget& window, QSize size, QSize minimum = {});

// Places the window as above, among the floating surfaces shown now, with the pointer where it
// is now: it takes the fitted size as its fixed size and moves there. Main thread.
void placeOnPointerScreen(QWidget& window, QSize size, QSize minimum = {});

} // namespace Parlino::WindowPlacement
