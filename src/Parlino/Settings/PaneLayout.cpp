#include "Parlino/Settings/PaneLayout.h"

#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Style/Theme.h"

#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace Parlino::PaneLayout {

namespace {

class Card final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF shape = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(Theme::white07(), 1));
        painter.setBrush(Theme::graphite());
        painter.drawRoundedRect(shape, Theme::cardRadii.topLeft, Theme::cardRadii.topLeft);
    }
};

} // namespace

QWidget* card(const QString& title, QLayout* content) {
    auto* card = new Card;
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(14, 14, 14, 14);
    column->setSpacing(10);
    column->addWidget(
        PaneWidgets::text(title, PaneWidgets::font(13, QFont::DemiBold), Theme::slate()));
    column->addLayout(content);
    return card;
}

void fill(QWidget& pane, const QList<QWidget*>& cards) {
    pane.setPalette(Theme::darkPalette());
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(18, 14, 18, 12);
    column->setSpacing(14);
    for (QWidget* card : cards)
        column->addWidget(card);
    column->addStretch();

    auto* area = new QScrollArea(&pane);
    area->setFrameShape(QFrame::NoFrame);
    area->setWidgetResizable(true);
    area->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    area->setWidget(content);
    auto* layout = new QVBoxLayout(&pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(area);
}

} // namespace Parlino::PaneLayout
