#include "Parlino/Panel/SmoothProgressBar.h"

#include "Parlino/Panel/ProgressSliderAccessible.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace Parlino {

SmoothProgressBar::SmoothProgressBar(const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_fraction(motion.clock), m_frames(
                                                     *this, motion.scheduler, [this] { update(); },
                                                     [this] { return !m_fraction.isSettled(); }) {
    setObjectName(QStringLiteral("SmoothProgressBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(barHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    ProgressSliderAccessible::install();
}

void SmoothProgressBar::setFraction(double fraction) {
    const double clamped = std::clamp(std::isnan(fraction) ? 0.0 : fraction, 0.0, 1.0);
    if (clamped == m_fraction.target())
        return;
    // The glide is one frame long, too short to be motion worth reducing.
    m_fraction.animateTo(clamped, Curve::linear(FrameDriver::interval), false);
    update();
    m_frames.start();
}

void SmoothProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QRectF track(rect());
    const qreal radius = track.height() / 2;
    painter.setBrush(Theme::white16());
    painter.drawRoundedRect(track, radius, radius);
    const qreal filled = track.width() * std::clamp(m_fraction.now(), 0.0, 1.0);
    if (filled <= 0)
        return;
    painter.setBrush(Theme::white(0.9));
    painter.drawRoundedRect(QRectF(track.topLeft(), QSizeF(filled, track.height())), radius,
                            radius);
}

} // namespace Parlino
