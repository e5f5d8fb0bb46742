#include "Parlino/Shell/WindowPlacement.h"

#include "Parlino/Panel/FloatingPanel.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <QtMath>

#include <algorithm>
#include <limits>

namespace Parlino::WindowPlacement {

namespace {

// Room left between the window and a surface it stands beside.
constexpr int gap = 12;

// A frame's side is at most this many times smaller than the screen.
constexpr int screenPerFrameSide = 8;

qint64 distanceSquared(const QRect& rect, QPoint point) {
    const qint64 dx = std::max({rect.left() - point.x(), 0, point.x() - rect.right()});
    const qint64 dy = std::max({rect.top() - point.y(), 0, point.y() - rect.bottom()});
    return dx * dx + dy * dy;
}

QRect screenUnder(const QList<QRect>& screens, QPoint pointer) {
    return *std::min_element(screens.begin(), screens.end(), [&](const QRect& a, const QRect& b) {
        return distanceSquared(a, pointer) < distanceSquared(b, pointer);
    });
}

// Moves the frame into the screen; a frame as large as the screen sits at its top left.
QRect clamped(QRect frame, const QRect& screen) {
    frame.moveLeft(
        std::max(screen.left(), std::min(frame.left(), screen.right() - frame.width() + 1)));
    frame.moveTop(
        std::max(screen.top(), std::min(frame.top(), screen.bottom() - frame.height() + 1)));
    return frame;
}

qint64 coveredArea(const QRect& frame, const QList<QRect>& covered) {
    qint64 area = 0;
    for (const QRect& rect : covered) {
        const QRect overlap = frame.intersected(rect);
        area += qint64(overlap.width()) * overlap.height();
    }
    return area;
}

QRect boundingRect(const QList<QRect>& rects) {
    QRect bounds;
    for (const QRect& rect : rects)
        bounds |= rect;
    return bounds;
}

// In order of preference: centred, then below, right of, left of and above what is covered.
QList<QRect> candidates(QRect frame, const QRect& screen, const QRect& covered) {
    frame.moveCenter(screen.center());
    QList<QRect> places{frame};
    if (covered.isEmpty())
        return places;
    places.append(frame.translated(0, covered.bottom() + 1 + gap - frame.top()));
    places.append(frame.translated(covered.right() + 1 + gap - frame.left(), 0));
    places.append(frame.translated(covered.left() - gap - frame.right() - 1, 0));
    places.append(frame.translated(0, covered.top() - gap - frame.bottom() - 1));
    return places;
}

// The largest rectangle of the screen that keeps `gap` away from every covered area and holds
// `least`: its corners lie on the edges of the screen or of the covered areas.
std::optional<QRect> largestFreeArea(const QRect& screen, const QList<QRect>& covered,
                                     QSize least) {
    QList<QRect> kept;
    QList<int> xs{screen.left(), screen.right() + 1};
    QList<int> ys{screen.top(), screen.bottom() + 1};
    for (const QRect& rect : covered) {
        const QRect around = rect.adjusted(-gap, -gap, gap, gap).intersected(screen);
        kept.append(around);
        xs << around.left() << around.right() + 1;
        ys << around.top() << around.bottom() + 1;
    }
    std::optional<QRect> largest;
    for (const int left : xs)
        for (const int right : xs)
            for (const int top : ys)
                for (const int bottom : ys) {
                    const QRect area(QPoint(left, top), QPoint(right - 1, bottom - 1));
                    const bool free = std::none_of(kept.begin(), kept.end(), [&](const QRect& r) {
                        return r.intersects(area);
                    });
                    if (free && area.width() >= least.width() && area.height() >= least.height() &&
                        (!largest || qint64(area.width()) * area.height() >
                                         qint64(largest->width()) * largest->height()))
                        largest = area;
                }
    return largest;
}

// The frame made smaller to fit the largest free area, in its middle; none when no free area
// holds the window's minimum.
std::optional<QRect> fittedIntoFreeArea(const QRect& frame, const QRect& screen,
                                        const QList<QRect>& covered, QSize least) {
    const auto area = largestFreeArea(screen, covered, least);
    if (!area)
        return std::nullopt;
    QRect fitted(QPoint(), frame.size().boundedTo(area->size()));
    fitted.moveCenter(area->center());
    return fitted;
}

} // namespace

QRect place(const Request& request) {
    const QMargins& margins = request.frame;
    if (request.screens.isEmpty()) {
        const QPoint origin = request.previous ? request.previous->topLeft() : QPoint();
        return {origin + QPoint(margins.left(), margins.top()), request.size};
    }
    const QRect screen = screenUnder(request.screens, request.pointer);
    // Never smaller than its least size, nor larger than the screen: a frame that leaves less
    // room reaches past the screen's edges, the window's contents do not.
    const QSize least = request.minimum.boundedTo(request.size).boundedTo(screen.size());
    const QSize size = request.size.boundedTo(screen.size().shrunkBy(margins))
                           .expandedTo(least)
                           .expandedTo({1, 1});
    const auto contentOf = [&](const QRect& frame) {
        return clamped(frame.marginsRemoved(margins), screen);
    };
    QRect frame(QPoint(), size.grownBy(margins));

    QList<QRect> covered;
    for (const QRect& rect : request.covered)
        if (rect.intersects(screen))
            covered.append(rect);

    std::optional<QRect> best;
    qint64 leastCovered = std::numeric_limits<qint64>::max();
    QList<QRect> places = candidates(frame, screen, boundingRect(covered));
    if (request.previous && screen.contains(request.previous->center()))
        places.prepend(QRect(request.previous->topLeft(), frame.size()));
    for (const QRect& place : places) {
        const QRect inside = clamped(place, screen);
        const qint64 area = coveredArea(inside, covered);
        if (area < leastCovered) {
            best = inside;
            leastCovered = area;
        }
        if (area == 0)
            return contentOf(inside);
    }
    if (!request.minimum.isEmpty())
        if (const auto fitted = fittedIntoFreeArea(
                frame, screen, covered, request.minimum.boundedTo(size).grownBy(margins)))
            return contentOf(*fitted);
    return contentOf(*best);
}

bool isFrame(QMargins frame, QSize screen) {
    return qint64(std::max(frame.left(), frame.right())) * screenPerFrameSide <= screen.width() &&
           qint64(std::max(frame.top(), frame.bottom())) * screenPerFrameSide <= screen.height() &&
           std::min({frame.left(), frame.top(), frame.right(), frame.bottom()}) >= 0;
}

bool fitsClear(const Request& request) {
    const QRect frame = place(request).marginsAdded(request.frame);
    return std::none_of(request.covered.begin(), request.covered.end(),
                        [&](const QRect& rect) { return rect.intersects(frame); });
}

QRect outsideDocks(QRect available, const QList<QRect>& docks) {
    QRect area = available;
    for (const QRect& dock : docks) {
        const QRect on = dock.intersected(available);
        if (on.isEmpty())
            continue;
        const bool across = on.width() >= on.height();
        if (across && on.height() * 4 <= available.height()) {
            if (on.top() == available.top())
                area.setTop(std::max(area.top(), on.bottom() + 1));
            else if (on.bottom() == available.bottom())
                area.setBottom(std::min(area.bottom(), on.top() - 1));
        } else if (!across && on.width() * 4 <= available.width()) {
            if (on.left() == available.left())
                area.setLeft(std::max(area.left(), on.right() + 1));
            else if (on.right() == available.right())
                area.setRight(std::min(area.right(), on.left() - 1));
        }
    }
    return area;
}

QMargins logicalFrame(QMargins devicePixels, qreal ratio) {
    const auto logical = [ratio](int pixels) { return qCeil(pixels / ratio); };
    return {logical(devicePixels.left()), logical(devicePixels.top()),
            logical(devicePixels.right()), logical(devicePixels.bottom())};
}

Request requestOnPointerScreen(QSize size, QSize minimum, QMargins frame,
                               const QList<QRect>& docks) {
    Request request;
    for (const QScreen* screen : QGuiApplication::screens())
        request.screens.append(outsideDocks(screen->availableGeometry(), docks));
    request.pointer = QCursor::pos();
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && dynamic_cast<const FloatingPanel*>(widget))
            request.covered.append(widget->geometry());
    request.size = size;
    request.minimum = minimum;
    request.frame = frame;
    return request;
}

QRect apply(QWidget& window, const Request& request) {
    const QRect content = place(request);
    const QRect frame = content.marginsAdded(request.frame);
    window.setFixedSize(content.size());
    // The window's contents go where they were placed, in the whole logical pixels Qt keeps a
    // window's place in: placed by its frame's corner instead, the contents would land where the
    // frame puts them, which at a fractional scale may be half a logical pixel off, and would come
    // back a device pixel off at the next showing. So the native window is made first. A window
    // that stays where it was is not moved again.
    window.winId();
    QWindow* handle = window.windowHandle();
    if (content.topLeft() != handle->position())
        handle->setPosition(content.topLeft());
    return frame;
}

} // namespace Parlino::WindowPlacement
