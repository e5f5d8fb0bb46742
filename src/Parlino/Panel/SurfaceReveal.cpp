#include "Parlino/Panel/SurfaceReveal.h"

#include <QGraphicsOpacityEffect>
#include <QWidget>

namespace Parlino {

SurfaceReveal::SurfaceReveal(const MotionContext& motion, std::function<Curve(bool)> curve)
    : m_preferences(motion.preferences), m_curve(std::move(curve)), m_amount(motion.clock) {}

void SurfaceReveal::setRevealed(bool revealed) {
    const double target = revealed ? 1 : 0;
    if (target == m_amount.target())
        return;
    // Under Reduce Motion the change is a fade in place, which is no motion to skip.
    const Curve curve =
        m_preferences.reduceMotion() ? Curve::easeInOut(fadeSeconds) : m_curve(revealed);
    m_amount.animateTo(target, curve, false);
}

void SurfaceReveal::jumpTo(bool revealed) {
    m_amount.jumpTo(revealed ? 1 : 0);
}

qreal SurfaceReveal::offset(qreal distance) const {
    return m_preferences.reduceMotion() ? 0 : -(1 - m_amount.now()) * distance;
}

qreal SurfaceReveal::opacity() const {
    return m_preferences.reduceMotion() ? m_amount.now() : 1;
}

void setSurfaceOpacity(QWidget& widget, qreal opacity) {
    auto* effect = qobject_cast<QGraphicsOpacityEffect*>(widget.graphicsEffect());
    if (opacity >= 1) {
        if (effect)
            widget.setGraphicsEffect(nullptr);
        return;
    }
    if (!effect) {
        effect = new QGraphicsOpacityEffect(&widget);
        widget.setGraphicsEffect(effect);
    }
    effect->setOpacity(opacity);
}

} // namespace Parlino
