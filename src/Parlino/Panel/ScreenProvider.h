#pragma once

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>

#include <optional>

namespace Parlino {

// Identifies one attached screen for as long as it stays attached; never reused.
using ScreenId = quint64;

// What the surfaces' placement reads of one screen, in desktop coordinates with the origin at
// the bottom left of the primary screen and y growing upward. `safeAreaTop` and the two
// auxiliary widths (the parts of the top edge left and right of a camera housing) are above 0
// only on a screen with a notch.
struct ScreenScalars {
    QRectF frame;
    QRectF visibleFrame;
    qreal safeAreaTop = 0;
    qreal auxiliaryTopLeftWidth = 0;
    qreal auxiliaryTopRightWidth = 0;
};

// The desktop's screens and pointer as the floating surfaces see them, in the coordinates of
// ScreenScalars. Also says whether a compositor runs, so painters can choose their opaque look.
class ScreenProvider : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The attached screens in the system's order.
    virtual QList<ScreenId> screens() const = 0;
    // The screen the desktop treats as its main one, if any.
    virtual std::optional<ScreenId> mainScreen() const = 0;
    // The screen's values; none once it is detached.
    virtual std::optional<ScreenScalars> scalars(ScreenId screen) const = 0;
    virtual QPointF pointerLocation() const = 0;
    virtual bool hasCompositor() const = 0;

signals:
    // A screen was attached, detached, moved or resized, or its available area changed.
    void screenParametersChanged();
    void compositorChanged();
};

// Whether `point` lies in `rect` the way a pointer location does: left and top edges inside,
// right and bottom edges outside.
bool pointerInRect(QPointF point, const QRectF& rect);

// The screen for the next surfaces: the first whose frame holds the pointer, else the main
// screen, else the first screen; none without screens.
std::optional<ScreenId> screenUnderPointer(const ScreenProvider& provider);

// Mirrors a rectangle or a point between the desktop's top-down coordinates and the bottom-up
// ones of ScreenScalars; `primaryBottom` is the bottom edge of the primary screen in top-down
// coordinates. Applying either twice gives back the input.
QRectF flippedRect(const QRectF& rect, qreal primaryBottom);
QPointF flippedPoint(QPointF point, qreal primaryBottom);

} // namespace Parlino
