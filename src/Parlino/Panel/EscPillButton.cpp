#include "Parlino/Panel/EscPillButton.h"

#include "Parlino/Style/Theme.h"

#include <QFontDatabase>
#include <QPainter>

namespace Parlino {

namespace {

QFont pillFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace

EscPillButton::EscPillButton(const MotionContext& motion, QWidget* parent)
    : ParlinoButton(ParlinoButtonStyle::standard(false), motion, parent) {
    setObjectName(QStringLiteral("EscPillButton"));
    setText(tr("esc"));
    // The pill shows the key that closes the panel; what it does is its name.
    setAccessibleName(tr("Close"));
    setFont(pillFont());
}

QSize EscPillButton::sizeHint() const {
    return fontMetrics().size(Qt::TextSingleLine, text()) + QSize(16, 6);
}

void EscPillButton::paintLabel(QPainter& painter, const QRectF& rect) {
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::white(isHovering() ? 0.28 : 0.1));
    painter.drawRoundedRect(rect, rect.height() / 2, rect.height() / 2);
    painter.setPen(Theme::white(1));
    painter.setFont(font());
    painter.drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text());
}

} // namespace Parlino
