#include "Parlino/Settings/SectionCard.h"

#include "Parlino/Settings/PaneControls.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/Theme.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace Parlino {

namespace {
constexpr int padding = 14;
constexpr int spacing = 10;
constexpr int titleSize = 13;
} // namespace

SectionCard::SectionCard(const QString& title, QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)) {
    setObjectName(QStringLiteral("SectionCard"));
    setAccessibleName(title);
    // The desktop's style outlines check boxes and fields in a shade of the window colour; on
    // the card that shade must stand out, or an unchecked box is a black square.
    QPalette outlines;
    outlines.setColor(QPalette::Window, Theme::slate());
    setPalette(outlines);
    m_layout->setContentsMargins(padding, padding, padding, padding);
    m_layout->setSpacing(spacing);
    m_layout->addWidget(paneText(title, titleSize, QFont::DemiBold, Theme::slate()));
}

void SectionCard::setContent(QWidget* content) {
    delete m_content;
    m_content = content;
    m_layout->addWidget(content);
}

void SectionCard::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds(rect());
    if (parlinoGround(*this) == ParlinoGround::solid) {
        paintSurface(painter, bounds, ParlinoGlass::look(ParlinoSurface::card));
        return;
    }
    const QRectF hairline = bounds.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath shape = roundedShape(hairline, Theme::cardRadii, Theme::cornerStyle);
    painter.fillPath(shape, Theme::white045());
    painter.strokePath(shape, QPen(Theme::white07(), 1));
}

} // namespace Parlino
