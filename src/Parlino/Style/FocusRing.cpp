#include "Parlino/Style/FocusRing.h"

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

void paint(QPainter& painter, const QRectF& rect, qreal radius) {
    const qreal inset = thickness / 2;
    const QRectF line = rect.adjusted(inset, inset, -inset, -inset);
    const qreal corner = std::clamp(radius - inset, 0.0, std::min(line.width(), line.height()) / 2);
    QPainterPath ring;
    ring.addRoundedRect(line, corner, corner);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Theme::accent(), thickness));
    painter.drawPath(ring);
    painter.restore();
}

} // namespace Parlino::FocusRing
