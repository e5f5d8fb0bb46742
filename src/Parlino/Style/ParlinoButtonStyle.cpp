#include "Parlino/Style/ParlinoButtonStyle.h"

#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>

#include <cmath>

namespace Parlino {

namespace {

constexpr qreal pressedDimming = 0.55;
constexpr qreal hoveredDimming = 0.75;

double mixNumbers(double from, double to, double amount) {
    return from + (to - from) * amount;
}

QColor mixColours(const QColor& from, const QColor& to, double amount) {
    const double alpha = mixNumbers(from.alphaF(), to.alphaF(), amount);
    if (alpha <= 0)
        return Qt::transparent;
    const auto channel = [&](float a, float b) {
        return float(mixNumbers(a * from.alphaF(), b * to.alphaF(), amount) / alpha);
    };
    return QColor::fromRgbF(channel(from.redF(), to.redF()), channel(from.greenF(), to.greenF()),
                            channel(from.blueF(), to.blueF()), float(alpha));
}

} // namespace

ControlLook mixLooks(const ControlLook& from, const ControlLook& to, double amount) {
    if (amount <= 0)
        return from;
    if (amount >= 1)
        return to;
    return {mixColours(from.backdrop, to.backdrop, amount),
            mixNumbers(from.scale, to.scale, amount), mixNumbers(from.opacity, to.opacity, amount)};
}

ParlinoButtonStyle ParlinoButtonStyle::standard(bool hover) {
    return {.scale = 0.97,
            .pressedScale = 0.93,
            .brightness = 0.06,
            .pressedBrightness = -0.05,
            .backdrop = std::nullopt,
            .backdropCornerRadius = 8,
            .hover = hover};
}

ControlLook ParlinoButtonStyle::look(bool pressed, bool hovering, bool reduceMotion) const {
    const bool hovered = hover && hovering;
    ControlLook look;
    if (pressed)
        look.backdrop = backdrop.value_or(Theme::white(std::abs(pressedBrightness)));
    else if (hovered)
        look.backdrop = backdrop.value_or(Theme::white(brightness));
    if (reduceMotion)
        look.opacity = pressed ? pressedDimming : hovered ? hoveredDimming : 1;
    else
        look.scale = pressed ? pressedScale : hovered ? scale : 1;
    return look;
}

ControlLook ParlinoButtonStyle::blendedLook(double pressAmount, double hoverAmount,
                                            bool reduceMotion) const {
    const ControlLook released =
        mixLooks(look(false, false, reduceMotion), look(false, true, reduceMotion), hoverAmount);
    const ControlLook pressed =
        mixLooks(look(true, false, reduceMotion), look(true, true, reduceMotion), hoverAmount);
    return mixLooks(released, pressed, pressAmount);
}

ControlLook ParlinoHoverModifier::look(bool hovering, bool reduceMotion) const {
    ControlLook look;
    if (!hovering)
        return look;
    look.backdrop = backdrop.value_or(Theme::white(brightness));
    if (reduceMotion)
        look.opacity = hoveredDimming;
    else
        look.scale = scale;
    return look;
}

ControlLook ParlinoHoverModifier::blendedLook(double hoverAmount, bool reduceMotion) const {
    return mixLooks(look(false, reduceMotion), look(true, reduceMotion), hoverAmount);
}

void paintWithLook(QPainter& painter, const QRectF& rect, const ControlLook& look,
                   qreal backdropCornerRadius,
                   const std::function<void(QPainter&, const QRectF&)>& paintContent) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * look.opacity);
    const QPointF centre = rect.center();
    painter.translate(centre);
    painter.scale(look.scale, look.scale);
    painter.translate(-centre);
    if (look.backdrop.alpha() > 0)
        painter.fillPath(roundedShape(rect, backdropCornerRadius, CornerStyle::continuous),
                         look.backdrop);
    paintContent(painter, rect);
    painter.restore();
}

} // namespace Parlino
