#include "Parlino/Style/ParlinoButton.h"

#include "Parlino/Style/FocusRing.h"
#include "Parlino/Style/Icons.h"

#include <QKeyEvent>
#include <QPainter>

namespace Parlino {

ParlinoButton::ParlinoButton(const ParlinoButtonStyle& style, const MotionContext& motion,
                             QWidget* parent)
    : QAbstractButton(parent), m_motion(motion), m_style(style), m_hover(*this),
      m_pressAmount(motion.clock), m_hoverAmount(motion.clock),
      m_frames(
          *this, motion.scheduler, [this] { update(); },
          [this] { return !m_pressAmount.isSettled() || !m_hoverAmount.isSettled(); }) {
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::TabFocus);
    m_hover.onEntered = [this] { followState(); };
    m_hover.onExited = [this] { followState(); };
    connect(this, &QAbstractButton::pressed, this, [this] { followState(); });
    connect(this, &QAbstractButton::released, this, [this] { followState(); });
    connect(&motion.preferences, &MotionPreferences::reduceMotionChanged, this,
            [this] { update(); });
}

void ParlinoButton::setButtonStyle(const ParlinoButtonStyle& style) {
    m_style = style;
    update();
}

bool ParlinoButton::isHovering() const {
    return m_hover.isHovering();
}

ControlLook ParlinoButton::currentLook() const {
    return m_style.blendedLook(m_pressAmount.now(), m_hoverAmount.now(),
                               m_motion.preferences.reduceMotion());
}

void ParlinoButton::followState() {
    // The press and hover changes fade even under Reduce Motion: without scaling, the look
    // then only dims, which is not motion.
    m_pressAmount.animateTo(isDown() ? 1 : 0, Curve::easeOut(ParlinoButtonStyle::pressSeconds),
                            false);
    m_hoverAmount.animateTo(isHovering() ? 1 : 0, Curve::easeOut(ParlinoButtonStyle::hoverSeconds),
                            false);
    update();
    m_frames.start();
}

void ParlinoButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintWithLook(painter, QRectF(rect()), currentLook(), m_style.backdropCornerRadius,
                  [this](QPainter& p, const QRectF& r) { paintLabel(p, r); });
    if (FocusRing::isShown(*this))
        FocusRing::paint(painter, QRectF(rect()), focusRingRadius());
}

void ParlinoButton::keyPressEvent(QKeyEvent* event) {
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && event->modifiers() == Qt::NoModifier && !event->isAutoRepeat()) {
        animateClick();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

ParlinoIconButton::ParlinoIconButton(const QString& symbol, qreal symbolSize, const QColor& colour,
                                     const ParlinoButtonStyle& style, const MotionContext& motion,
                                     QWidget* parent)
    : ParlinoButton(style, motion, parent), m_symbol(symbol), m_symbolSize(symbolSize),
      m_colour(colour) {}

void ParlinoIconButton::setSymbol(const QString& symbol) {
    m_symbol = symbol;
    update();
}

QSize ParlinoIconButton::sizeHint() const {
    const int side = qCeil(m_symbolSize * 2);
    return {side, side};
}

void ParlinoIconButton::paintLabel(QPainter& painter, const QRectF& rect) {
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QPixmap image =
        Icons::pixmap(m_symbol, m_symbolSize, m_colour, Icons::Weight::medium, ratio);
    const QSizeF size = image.deviceIndependentSize();
    painter.drawPixmap(QRectF(rect.center() - QPointF(size.width(), size.height()) / 2, size),
                       image, QRectF(image.rect()));
}

QString spokenTitle(const QString& title) {
    QString spoken = title;
    spoken.remove(QChar(0x2197));
    return spoken.trimmed();
}

ParlinoTextButton::ParlinoTextButton(const QString& text, const QFont& font, const QColor& colour,
                                     const ParlinoButtonStyle& style, const MotionContext& motion,
                                     QWidget* parent)
    : ParlinoButton(style, motion, parent), m_colour(colour) {
    setText(text);
    setFont(font);
}

QSize ParlinoTextButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return text + QSize(16, 8);
}

void ParlinoTextButton::paintLabel(QPainter& painter, const QRectF& rect) {
    painter.setPen(m_colour);
    painter.setFont(font());
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
}

} // namespace Parlino
