#pragma once

#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/HoverTracker.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/ParlinoButtonStyle.h"

#include <QAbstractButton>

namespace Parlino {

// A button that paints itself with the shared press and hover feedback of its style; hover and
// press changes ease out over the style's times. Subclasses draw the label. It takes the focus
// from the keyboard, shows it with the focus ring, and is pressed with Space or Return.
class ParlinoButton : public QAbstractButton {
public:
    ParlinoButton(const ParlinoButtonStyle& style, const MotionContext& motion,
                  QWidget* parent = nullptr);

    void setButtonStyle(const ParlinoButtonStyle& style);

    bool isHovering() const;
    // The look being painted now, on its way to the look of the current state.
    ControlLook currentLook() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    virtual void paintLabel(QPainter& painter, const QRectF& rect) = 0;
    // The corner radius of the focus ring: the backdrop's, unless the button has another shape.
    virtual qreal focusRingRadius() const { return m_style.backdropCornerRadius; }
    // How far the hover change has come: 0 away, 1 hovered. It eases whether or not the style
    // reacts to hovering, for labels that draw their own hover look.
    double hoverAmount() const { return m_hoverAmount.now(); }

private:
    void followState();

    MotionContext m_motion;
    ParlinoButtonStyle m_style;
    HoverTracker m_hover;
    AnimatedValue m_pressAmount;
    AnimatedValue m_hoverAmount;
    FrameDriver m_frames;
};

// A button whose label is a symbol of the icon set, centred in the button.
class ParlinoIconButton final : public ParlinoButton {
public:
    ParlinoIconButton(const QString& symbol, qreal symbolSize, const QColor& colour,
                      const ParlinoButtonStyle& style, const MotionContext& motion,
                      QWidget* parent = nullptr);

    const QString& symbol() const { return m_symbol; }
    void setSymbol(const QString& symbol);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
    QString m_symbol;
    qreal m_symbolSize;
    QColor m_colour;
};

// A button's title as assistive tools say it: without the "↗" that marks a link to a page
// outside the application, which they would read out as "north east arrow".
QString spokenTitle(const QString& title);

// A button whose label is a line of plain text, centred in the button.
class ParlinoTextButton final : public ParlinoButton {
public:
    ParlinoTextButton(const QString& text, const QFont& font, const QColor& colour,
                      const ParlinoButtonStyle& style, const MotionContext& motion,
                      QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;

private:
    QColor m_colour;
};

} // namespace Parlino
