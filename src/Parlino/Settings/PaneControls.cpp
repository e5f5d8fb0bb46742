#include "Parlino/Settings/PaneControls.h"

#include "Parlino/Style/ControlPainting.h"
#include "Parlino/Style/NumberText.h"
#include "Parlino/Style/Theme.h"

#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>

namespace Parlino {

namespace {

constexpr qreal buttonRadius = 6;
constexpr QMargins buttonPadding{12, 4, 12, 4};
constexpr QMargins smallButtonPadding{8, 3, 8, 3};
constexpr int smallButtonText = 11;

QFont pixelFont(int pixelSize, QFont::Weight weight = QFont::Normal) {
    QFont font;
    font.setPixelSize(pixelSize);
    font.setWeight(weight);
    return font;
}

} // namespace

namespace PaneText {

const QColor& secondary() {
    return Theme::white60();
}

const QColor& tertiary() {
    return Theme::white34();
}

} // namespace PaneText

QLabel* paneText(const QString& text, int pixelSize, QFont::Weight weight, const QColor& colour) {
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);
    setPaneText(*label, text);
    label->setWordWrap(true);
    label->setFont(pixelFont(pixelSize, weight));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

void setPaneText(QLabel& label, const QString& text) {
    label.setText(text);
    const QString spoken = NumberText::withoutIsolates(text);
    label.setAccessibleName(spoken == text ? QString() : spoken);
}

PaneButton::PaneButton(const QString& text, Role role, const MotionContext& motion, QWidget* parent)
    : ParlinoButton({.scale = 0.97,
                     .pressedScale = 0.97,
                     .brightness = 0.06,
                     .pressedBrightness = 0.06,
                     .backdrop = std::nullopt,
                     .backdropCornerRadius = 8,
                     .hover = true},
                    motion, parent),
      m_role(role) {
    setText(text);
    setAccessibleName(text);
    setFont(pixelFont(PaneText::body));
    setCursor(Qt::PointingHandCursor);
}

void PaneButton::setControlSize(Size size) {
    m_size = size;
    setFont(pixelFont(size == Size::small ? smallButtonText : PaneText::body));
    updateGeometry();
}

QSize PaneButton::sizeHint() const {
    const QSize text = fontMetrics().size(Qt::TextSingleLine, this->text());
    return text.grownBy(m_size == Size::small ? smallButtonPadding : buttonPadding);
}

void PaneButton::paintLabel(QPainter& painter, const QRectF& rect) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(painter.opacity() * disabledOpacity);
    QPainterPath border;
    border.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), buttonRadius, buttonRadius);
    painter.fillPath(border, Theme::white(0.1));
    painter.strokePath(border, QPen(Theme::white(0.12), 1));
    painter.setFont(font());
    painter.setPen(m_role == Role::destructive && isEnabled() ? Theme::red() : Theme::white85());
    painter.drawText(rect, Qt::AlignCenter, text());
    painter.restore();
}

void PaneButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        update();
    ParlinoButton::changeEvent(event);
}

namespace {

// Links scale like other controls but never show a backdrop.
ParlinoButtonStyle linkStyle() {
    ParlinoButtonStyle style = ParlinoButtonStyle::standard();
    style.backdrop = QColor(Qt::transparent);
    return style;
}

} // namespace

ParlinoTextButton* linkButton(const QString& title, const QUrl& page, const MotionContext& motion) {
    auto* link = new ParlinoTextButton(title, pixelFont(PaneText::body), Theme::accent(),
                                       linkStyle(), motion);
    link->setAccessibleName(spokenTitle(title));
    link->setCursor(Qt::PointingHandCursor);
    QObject::connect(link, &QAbstractButton::clicked, link,
                     [page] { QDesktopServices::openUrl(page); });
    return link;
}

} // namespace Parlino
