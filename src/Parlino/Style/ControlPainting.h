#pragma once

#include "Parlino/Style/ParlinoButtonStyle.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace Parlino {

// Small painting pieces shared by the buttons and the fading scroll view.

// A control that cannot be used now is drawn faded, its label in the plain label colour: the
// colour of what it would do (a destructive red) would read as an error.
constexpr double disabledOpacity = 0.4;

// The soft white disc these controls show under the pointer; `amount` runs from 0 to 1 as it
// fades in.
inline void paintHoverDisc(QPainter& painter, const QRectF& rect, double amount) {
    constexpr double hoverDiscOpacity = 0.28;
    if (amount <= 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::white(hoverDiscOpacity * amount));
    painter.drawEllipse(rect);
    painter.restore();
}

// Fills `rect` with fully rounded ends; a square becomes a circle.
inline void fillCapsule(QPainter& painter, const QRectF& rect, const QColor& colour) {
    QPainterPath path;
    const qreal radius = std::min(rect.width(), rect.height()) / 2;
    path.addRoundedRect(rect, radius, radius);
    painter.fillPath(path, colour);
}

} // namespace Parlino
