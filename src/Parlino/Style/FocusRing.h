#pragma once

#include "Parlino/Style/Theme.h"

#include <QRectF>
#include <QStyle>

class QPainter;
class QPainterPath;
class QWidget;

// The one mark of the keyboard focus that every control which takes the focus draws: an
// accent-coloured rounded ring along the inside of the control's edge, shown only while the focus
// came by the keyboard, so that pointer users never see it.
namespace Parlino::FocusRing {

// The ring's thickness, in logical pixels.
inline constexpr qreal thickness = 2;

// Whether `widget` shows the ring: it has the focus, and the focus last moved in its window by
// the keyboard (Tab, an arrow key, a shortcut).
bool isShown(const QWidget& widget);
// The same for a control drawn from a style option's state.
bool isShown(QStyle::State state);

// Paints the ring along the inside of `rect`, its corners rounded with `radius`.
void paint(QPainter& painter, const QRectF& rect, qreal radius);
// The same with a radius of its own at each corner, rounded as the surfaces are, for a ring along
// a surface's edge.
void paint(QPainter& painter, const QRectF& rect, const CornerRadii& radii);

} // namespace Parlino::FocusRing
