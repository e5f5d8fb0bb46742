#include "Parlino/Panel/SmoothProgressBar.h"

#include "Parlino/Panel/ProgressSliderAccessible.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Parlino {

SmoothProgressBar::SmoothProgressBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SmoothProgressBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ProgressSliderAccessible::install();
}

void SmoothProgressBar::setFraction(double fraction) {
    const double clamped = std::clamp(std::isnan(fraction) ? 0.0 : fraction, 0.0, 1.0);
    if (clamped == m_fraction)
        return;
    m_fraction = clamped;
    if (movesVisibly(m_shownFraction, clamped))
        update();
}

// An empty or a full bar is always drawn exactly; in between, the fill's end must move by
// the visible step.
bool SmoothProgressBar::movesVisibly(double from, double to) const {
    if (to == 0 || to == 1)
        return from != to;
    return std::abs(to - from) * width() * devicePixelRatioF() >= visibleStep;
}

void SmoothProgressBar::paintEvent(QPaintEvent*) {
    m_shownFraction = m_fraction;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    const qreal radius = track.height() / 2;
    painter.setBrush(Theme::white16());
    painter.drawRoundedRect(track, radius, radius);
    const qreal filled = track.width() * m_fraction;
    if (filled <= 0)
        return;
    painter.setBrush(Theme::white(0.9));
    painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(filled, track.height())), radius,
                            radius);
}

} // namespace Parlino
