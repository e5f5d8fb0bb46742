#include "Parlino/Panel/ScreenProvider.h"

namespace Parlino {

bool pointerInRect(QPointF point, const QRectF& rect) {
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() > rect.top() &&
           point.y() <= rect.bottom();
}

std::optional<ScreenId> screenUnderPointer(const ScreenProvider& provider) {
    const QList<ScreenId> screens = provider.screens();
    const QPointF pointer = provider.pointerLocation();
    for (const ScreenId screen : screens) {
        const auto scalars = provider.scalars(screen);
        if (scalars && pointerInRect(pointer, scalars->frame))
            return screen;
    }
    if (const auto main = provider.mainScreen())
        return main;
    if (!screens.isEmpty())
        return screens.first();
    return std::nullopt;
}

QRectF flippedRect(const QRectF& rect, qreal primaryBottom) {
    return {rect.x(), primaryBottom - rect.y() - rect.height(), rect.width(), rect.height()};
}

QPointF flippedPoint(QPointF point, qreal primaryBottom) {
    return {point.x(), primaryBottom - point.y()};
}

} // namespace Parlino
