#pragma once

#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/TwoPressArming.h"

#include <algorithm>
#include <functional>

namespace Parlino {

// A button for a destructive command: the first press arms it and a red highlight grows in
// behind its label; a second press while armed runs `action`. It disarms by itself after
// 2.5 s, when the pointer leaves it, when it is hidden and when it is scrolled out of view; a
// press while a scroll view shows it only in part brings it into view instead. Made public, it has
// a capsule highlight and a text label that turns white while armed.
class ArmedActionButton : public ParlinoButton {
public:
    static constexpr double armSeconds = 0.15;
    static constexpr qreal unarmedScale = 0.55;

    ArmedActionButton(const QString& text, const QFont& font, const QColor& colour,
                      const MotionContext& motion, QWidget* parent = nullptr);

    std::function<void()> action;

    const TwoPressArming& arming() const { return m_arming; }
    // How far the highlight has come in: 0 unarmed, 1 armed.
    double armedAmount() const { return m_armedAmount.now(); }

    QSize sizeHint() const override;

protected:
    enum class Shape { capsule, circle };
    ArmedActionButton(Shape fillShape, const MotionContext& motion, QWidget* parent);

    // Draws the label in front of the highlight.
    virtual void paintArmedLabel(QPainter& painter, const QRectF& rect);
    // Whether a value of the label is still animating; frames run until it settles.
    virtual bool labelIsMoving() const { return false; }
    void animate();

    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    // Round ends, as the capsule and the circle have.
    qreal focusRingRadius() const override { return std::min(width(), height()) / 2.0; }

private:
    void press();
    void watchView();
    void paintLabel(QPainter& painter, const QRectF& rect) final;
    void paintHighlight(QPainter& painter, const QRectF& rect) const;

    Shape m_shape;
    MotionContext m_motion;
    QColor m_colour;
    TwoPressArming m_arming;
    AnimatedValue m_armedAmount;
    FrameDriver m_frames;
    QMetaObject::Connection m_viewWatch;
};

// A round icon button with a circular armed highlight, as each clip row's delete button: a
// soft white disc shows while the pointer is over it and it is not armed; armed, the symbol
// turns white on red.
class ArmedIconButton final : public ArmedActionButton {
public:
    static constexpr double hoverSeconds = 0.12;

    ArmedIconButton(const QString& systemImage, qreal size, const QColor& idleTint, qreal fontSize,
                    const MotionContext& motion, QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintArmedLabel(QPainter& painter, const QRectF& rect) override;
    bool labelIsMoving() const override { return !m_hoverAmount.isSettled(); }
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void followHover(bool hovering);

    QString m_systemImage;
    qreal m_size;
    QColor m_idleTint;
    qreal m_fontSize;
    AnimatedValue m_hoverAmount;
};

} // namespace Parlino
