#include "Parlino/Style/FocusRing.h"

#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>

namespace Parlino::FocusRing {

bool isShown(const QWidget& widget) {
    return widget.hasFocus() && widget.window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

bool isShown(QStyle::State state) {
    return state.testFlag(QStyle::State_HasFocus) &&
           state.testFlag(QStyle::State_KeyboardFocusChange);
}

namespace {

constexpr qreal inset = thickness / 2;

void stroke(QPainter& painter, const QPainterPath& ring) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::accent(), thickness));
    painter.drawPath(ring);
    painter.restore();
}

} // namespace

void paint(QPainter& painter, const QRectF& rect, qreal radius) {
    const QRectF line = rect.adjusted(inset, inset, -inset, -inset);
    const qreal corner = std::clamp(radius - inset, 0.0, std::min(line.width(), line.height()) / 2);
    QPainterPath ring;
    ring.addRoundedRect(line, corner, corner);
    stroke(painter, ring);
}

void paint(QPainter& painter, const QRectF& rect, const CornerRadii& radii) {
    const auto less = [](qreal radius) { return std::max<qreal>(0, radius - inset); };
    stroke(painter, roundedShape(rect.adjusted(inset, inset, -inset, -inset),
                                 {less(radii.topLeft), less(radii.topRight),
                                  less(radii.bottomRight), less(radii.bottomLeft)},
                                 CornerStyle::continuous));
}

} // namespace Parlino::FocusRing
