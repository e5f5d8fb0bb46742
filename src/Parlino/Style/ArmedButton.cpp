#include "Parlino/Style/ArmedButton.h"

#include "Parlino/Style/ControlPainting.h"
#include "Parlino/Style/FadingScrollView.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>

namespace Parlino {

namespace {

QColor mix(const QColor& from, const QColor& to, double amount) {
    const auto lerp = [amount](float a, float b) { return a + float(amount) * (b - a); };
    return QColor::fromRgbF(lerp(from.redF(), to.redF()), lerp(from.greenF(), to.greenF()),
                            lerp(from.blueF(), to.blueF()), lerp(from.alphaF(), to.alphaF()));
}

} // namespace

ArmedActionButton::ArmedActionButton(Shape fillShape, const MotionContext& motion, QWidget* parent)
    : ParlinoButton(ParlinoButtonStyle::standard(false), motion, parent), m_shape(fillShape),
      m_motion(motion), m_arming(motion.scheduler), m_armedAmount(motion.clock),
      m_frames(
          *this, motion.scheduler, [this] { update(); },
          [this] { return !m_armedAmount.isSettled() || labelIsMoving(); }) {
    setObjectName(QStringLiteral("ArmedActionButton"));
    connect(this, &QAbstractButton::clicked, this, [this] { press(); });
    // The highlight fades even under Reduce Motion; only its growing is left out then.
    connect(&m_arming, &TwoPressArming::isArmedChanged, this, [this] {
        m_armedAmount.animateTo(m_arming.isArmed() ? 1 : 0, Curve::easeOut(armSeconds), false);
        animate();
        watchView();
    });
}

// What is armed or run is never out of sight: a press on a button that a scroll view shows only
// in part, or not at all, brings it into view and does nothing else.
void ArmedActionButton::press() {
    FadingScrollView* view = FadingScrollView::around(*this);
    if (view && view->isVisible() && !view->showsWhole(*this)) {
        m_arming.disarm();
        view->reveal(*this);
        return;
    }
    if (m_arming.press() && action)
        action();
}

// While armed, scrolled out of view, it disarms, as it does when the pointer leaves it.
void ArmedActionButton::watchView() {
    disconnect(m_viewWatch);
    FadingScrollView* view = FadingScrollView::around(*this);
    if (!m_arming.isArmed() || !view)
        return;
    m_viewWatch = connect(&view->model(), &ScrollBarModel::offsetChanged, this, [this, view] {
        if (!view->showsWhole(*this))
            m_arming.disarm();
    });
}

ArmedActionButton::ArmedActionButton(const QString& text, const QFont& font, const QColor& colour,
                                     const MotionContext& motion, QWidget* parent)
    : ArmedActionButton(Shape::capsule, motion, parent) {
    m_colour = colour;
    setText(text);
    setFont(font);
}

QSize ArmedActionButton::sizeHint() const {
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(20, 10);
}

void ArmedActionButton::animate() {
    update();
    m_frames.start();
}

void ArmedActionButton::leaveEvent(QEvent* event) {
    m_arming.disarm();
    ParlinoButton::leaveEvent(event);
}

void ArmedActionButton::hideEvent(QHideEvent* event) {
    m_arming.disarm();
    ParlinoButton::hideEvent(event);
}

void ArmedActionButton::paintLabel(QPainter& painter, const QRectF& rect) {
    paintHighlight(painter, rect);
    paintArmedLabel(painter, rect);
}

void ArmedActionButton::paintHighlight(QPainter& painter, const QRectF& rect) const {
    const double amount = armedAmount();
    if (amount <= 0)
        return;
    const qreal scale =
        m_motion.preferences.reduceMotion() ? 1 : unarmedScale + (1 - unarmedScale) * qreal(amount);
    QRectF shape = rect;
    if (m_shape == Shape::circle) {
        const qreal side = std::min(rect.width(), rect.height());
        shape = QRectF(0, 0, side, side);
        shape.moveCenter(rect.center());
    }
    shape = QRectF(0, 0, shape.width() * scale, shape.height() * scale);
    shape.moveCenter(rect.center());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(painter.opacity() * amount);
    fillCapsule(painter, shape, Theme::red());
    painter.restore();
}

void ArmedActionButton::paintArmedLabel(QPainter& painter, const QRectF& rect) {
    if (isEnabled()) {
        painter.setPen(mix(m_colour, Qt::white, armedAmount()));
    } else {
        painter.setOpacity(painter.opacity() * disabledOpacity);
        painter.setPen(Theme::white85());
    }
    painter.setFont(font());
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
}

ArmedIconButton::ArmedIconButton(const QString& systemImage, qreal size, const QColor& idleTint,
                                 qreal fontSize, const MotionContext& motion, QWidget* parent)
    : ArmedActionButton(Shape::circle, motion, parent), m_systemImage(systemImage), m_size(size),
      m_idleTint(idleTint), m_fontSize(fontSize), m_hoverAmount(motion.clock) {
    setObjectName(QStringLiteral("ArmedIconButton"));
}

QSize ArmedIconButton::sizeHint() const {
    const int side = qCeil(m_size);
    return {side, side};
}

void ArmedIconButton::enterEvent(QEnterEvent* event) {
    followHover(true);
    ArmedActionButton::enterEvent(event);
}

void ArmedIconButton::leaveEvent(QEvent* event) {
    followHover(false);
    ArmedActionButton::leaveEvent(event);
}

void ArmedIconButton::hideEvent(QHideEvent* event) {
    followHover(false);
    ArmedActionButton::hideEvent(event);
}

void ArmedIconButton::followHover(bool hovering) {
    m_hoverAmount.animateTo(hovering ? 1 : 0, Curve::easeOut(hoverSeconds), false);
    animate();
}

void ArmedIconButton::paintArmedLabel(QPainter& painter, const QRectF& rect) {
    QRectF frame(0, 0, m_size, m_size);
    frame.moveCenter(rect.center());
    // The hover disc gives way to the red circle as the button arms.
    paintHoverDisc(painter, frame, m_hoverAmount.now() * (1 - armedAmount()));
    Icons::paint(painter, frame, m_systemImage, m_fontSize,
                 mix(m_idleTint, Qt::white, armedAmount()));
}

} // namespace Parlino
