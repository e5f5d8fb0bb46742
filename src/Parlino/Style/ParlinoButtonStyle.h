#pragma once

#include <QColor>
#include <QRectF>

#include <functional>
#include <optional>

class QPainter;

namespace Parlino {

// How a clickable control looks at one moment: the colour of the rounded backdrop behind it,
// its scale about its centre and its opacity.
struct ControlLook {
    QColor backdrop = Qt::transparent;
    qreal scale = 1;
    qreal opacity = 1;

    bool operator==(const ControlLook&) const = default;
};

// The look part of the way from `from` to `to` (0 to 1); colours mix premultiplied, so a
// backdrop fades in from clear without passing through grey.
ControlLook mixLooks(const ControlLook& from, const ControlLook& to, double amount);

// The press and hover feedback every button shares: a rounded backdrop, a slight scale, and
// under Reduce Motion a dimming instead of the scale.
struct ParlinoButtonStyle {
    static constexpr double hoverSeconds = 0.12;
    static constexpr double pressSeconds = 0.1;

    qreal scale = 1;        // while hovered
    qreal pressedScale = 1; // while pressed
    double brightness = 0;  // opacity of the white backdrop while hovered
    // Its magnitude is the opacity of the white backdrop while pressed.
    double pressedBrightness = 0;
    // Replaces the white backdrop, pressed or hovered.
    std::optional<QColor> backdrop;
    qreal backdropCornerRadius = 0;
    // Whether hovering changes the look at all.
    bool hover = true;

    // The feedback most controls use: 0.97 under the pointer and 0.93 pressed, over a faint white
    // backdrop with 8-point corners. Without `hover`, only a press changes the look (for controls
    // that draw their own hover look).
    static ParlinoButtonStyle standard(bool hover = true);

    ControlLook look(bool pressed, bool hovering, bool reduceMotion) const;
    // The look on the way between states: `pressAmount` and `hoverAmount` run from 0 (not
    // pressed, not hovered) to 1.
    ControlLook blendedLook(double pressAmount, double hoverAmount, bool reduceMotion) const;
};

// The hover half of the button feedback, for any view that is not a button.
struct ParlinoHoverModifier {
    static constexpr double hoverSeconds = 0.12;

    qreal scale = 1;
    double brightness = 0;
    std::optional<QColor> backdrop;
    qreal backdropCornerRadius = 0;

    ControlLook look(bool hovering, bool reduceMotion) const;
    ControlLook blendedLook(double hoverAmount, bool reduceMotion) const;
};

// Paints a control's content in `rect` with a look: the backdrop in a rounded rectangle of
// `backdropCornerRadius` (continuous corners) behind the content, both scaled about the centre
// and drawn at the look's opacity.
void paintWithLook(QPainter& painter, const QRectF& rect, const ControlLook& look,
                   qreal backdropCornerRadius,
                   const std::function<void(QPainter&, const QRectF&)>& paintContent);

} // namespace Parlino
