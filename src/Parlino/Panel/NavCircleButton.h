#pragma once

#include "Parlino/Style/ParlinoButton.h"

#include <QColor>

#include <optional>

namespace Parlino {

// When a round button's backdrop shows: always, or only while it is lit or hovered.
enum class NavCircleBubble { always, whenLit };

// The colours of a round header button in one state.
struct NavCircleColours {
    QColor icon;
    QColor backdrop;

    bool operator==(const NavCircleColours&) const = default;
};

// What a round header button shows: its symbol and when and how it lights up.
struct NavCircleLook {
    QString systemImage;
    bool isActive = false;
    QColor activeTint = Qt::white;
    // The icon's colour while hovered and not lit; the active tint when absent.
    std::optional<QColor> hoverTint;
    NavCircleBubble bubble = NavCircleBubble::always;

    // Lit: the active tint on a backdrop of it at 0.28. At rest: white at 0.85 on a faint white
    // circle (none for `whenLit`). Hovered: the hover tint on a backdrop of it at 0.28.
    NavCircleColours colours(bool hovering) const;
};

// A 23-point round icon button of the panel's header (the page buttons, mute and pin); it can
// be lit while its page or toggle is on. Pressing runs the button's clicked signal. Tab reaches
// it, a click does not focus it, and its focus ring is round.
class NavCircleButton final : public ParlinoButton {
public:
    static constexpr int side = 23;

    NavCircleButton(const NavCircleLook& look, const QString& accessibleName,
                    const MotionContext& motion, QWidget* parent = nullptr);

    const NavCircleLook& look() const { return m_look; }
    void setLook(const NavCircleLook& look, const QString& accessibleName);

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    qreal focusRingRadius() const override { return side / 2.0; }

private:
    NavCircleLook m_look;
};

// The round red button of the header's warning row; its circle deepens under the pointer and
// while pressed.
class WarningNavCircleButton final : public ParlinoButton {
public:
    static constexpr int side = 23;

    explicit WarningNavCircleButton(const MotionContext& motion, QWidget* parent = nullptr);

    const QString& systemImage() const { return m_systemImage; }
    void setSystemImage(const QString& systemImage);

    // The circle's opacity: 0.28 at rest, 0.42 hovered, 0.6 pressed.
    static double circleOpacity(bool hovering, bool pressed);

    QSize sizeHint() const override { return {side, side}; }

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    qreal focusRingRadius() const override { return side / 2.0; }

private:
    QString m_systemImage;
};

} // namespace Parlino
