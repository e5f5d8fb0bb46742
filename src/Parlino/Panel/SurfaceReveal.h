#pragma once

#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/MotionPreferences.h"

#include <functional>

class QWidget;

namespace Parlino {

// How far a notch surface has come into view, from 0 (retracted) to 1 (in place). It slides
// in along its own curves; under Reduce Motion it stays in place and fades over 0.15 s.
class SurfaceReveal {
public:
    static constexpr double fadeSeconds = 0.15;

    // `curve` gives the slide's timing for revealing (true) and retracting (false).
    SurfaceReveal(const MotionContext& motion, std::function<Curve(bool revealing)> curve);

    void setRevealed(bool revealed);
    // Stands in or out at once, as a fresh surface does.
    void jumpTo(bool revealed);

    bool isSettled() const { return m_amount.isSettled(); }
    // The vertical offset of a surface that travels `distance` to retract.
    qreal offset(qreal distance) const;
    qreal opacity() const;

private:
    const MotionPreferences& m_preferences;
    std::function<Curve(bool)> m_curve;
    AnimatedValue m_amount;
};

// Draws `widget` and its children at `opacity`, as a surface fading under Reduce Motion is
// drawn; at full opacity the widget is drawn plainly again.
void setSurfaceOpacity(QWidget& widget, qreal opacity);

} // namespace Parlino
