#include "Parlino/Panel/NavCircleButton.h"

#include "Parlino/Style/Icons.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>

namespace Parlino {

namespace {

constexpr qreal symbolSize = 11;
constexpr double litBackdropOpacity = 0.28;
constexpr double restingBackdropOpacity = 0.12;
constexpr double restingIconOpacity = 0.85;

ParlinoButtonStyle navStyle() {
    return {.scale = 0.97,
            .pressedScale = 0.93,
            .brightness = 0.06,
            .pressedBrightness = -0.05,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 8,
            .hover = false};
}

ParlinoButtonStyle warningStyle() {
    return {.scale = 1,
            .pressedScale = 0.93,
            .brightness = 0,
            .pressedBrightness = 0,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 0,
            .hover = false};
}

QColor withOpacity(QColor colour, double opacity) {
    colour.setAlphaF(float(colour.alphaF() * opacity));
    return colour;
}

QColor mix(const QColor& from, const QColor& to, double amount) {
    return mixLooks({.backdrop = from}, {.backdrop = to}, amount).backdrop;
}

void paintCircle(QPainter& painter, const QRectF& rect, const QColor& fill) {
    const qreal side = std::min(rect.width(), rect.height());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawEllipse(
        QRectF(0, 0, side, side).translated(rect.center() - QPointF(side / 2, side / 2)));
}

} // namespace

NavCircleColours NavCircleLook::colours(bool hovering) const {
    if (!isActive && !hovering)
        return {Theme::white(restingIconOpacity), bubble == NavCircleBubble::whenLit
                                                      ? QColor(Qt::transparent)
                                                      : Theme::white(restingBackdropOpacity)};
    const QColor icon = isActive ? activeTint : hoverTint.value_or(activeTint);
    return {icon, withOpacity(icon, litBackdropOpacity)};
}

NavCircleButton::NavCircleButton(const NavCircleLook& look, const QString& accessibleName,
                                 const MotionContext& motion, QWidget* parent)
    : ParlinoButton(navStyle(), motion, parent) {
    setCursor(Qt::PointingHandCursor);
    setLook(look, accessibleName);
}

void NavCircleButton::setLook(const NavCircleLook& look, const QString& accessibleName) {
    m_look = look;
    setAccessibleName(accessibleName);
    setToolTip(accessibleName);
    update();
}

void NavCircleButton::paintLabel(QPainter& painter, const QRectF& rect) {
    // The hover change eases, so the colours blend between the resting and the hovered look.
    const NavCircleColours rest = m_look.colours(false);
    const NavCircleColours hovered = m_look.colours(true);
    const double amount = hoverAmount();
    paintCircle(painter, rect, mix(rest.backdrop, hovered.backdrop, amount));
    Icons::paint(painter, rect, m_look.systemImage, symbolSize,
                 mix(rest.icon, hovered.icon, amount));
}

WarningNavCircleButton::WarningNavCircleButton(const MotionContext& motion, QWidget* parent)
    : ParlinoButton(warningStyle(), motion, parent) {
    setCursor(Qt::PointingHandCursor);
}

void WarningNavCircleButton::setSystemImage(const QString& systemImage) {
    m_systemImage = systemImage;
    update();
}

double WarningNavCircleButton::circleOpacity(bool hovering, bool pressed) {
    return pressed ? 0.6 : hovering ? 0.42 : 0.28;
}

void WarningNavCircleButton::paintLabel(QPainter& painter, const QRectF& rect) {
    const double opacity = circleOpacity(hoverAmount() > 0.5, isDown());
    paintCircle(painter, rect, withOpacity(Theme::red(), opacity));
    Icons::paint(painter, rect, m_systemImage, symbolSize,
                 isDown() ? Theme::white(1) : Theme::red());
}

} // namespace Parlino
