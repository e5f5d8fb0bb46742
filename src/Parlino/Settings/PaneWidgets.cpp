#include "Parlino/Settings/PaneWidgets.h"

#include "Parlino/Settings/PaneContainer.h"
#include "Parlino/Settings/SectionCard.h"
#include "Parlino/Style/Icons.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace Parlino::PaneWidgets {

QFont font(int pixelSize, QFont::Weight weight) {
    QFont result;
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

ParlinoButtonStyle armedButtonStyle() {
    return {.scale = 0.97, .brightness = 0.06, .backdrop = std::nullopt, .backdropCornerRadius = 8};
}

QVBoxLayout* stack(int spacing) {
    auto* layout = new QVBoxLayout;
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    return layout;
}

QWidget* card(const QString& title, QLayout* rows) {
    auto* content = new QWidget;
    content->setLayout(rows);
    auto* card = new SectionCard(title);
    card->setContent(content);
    return card;
}

void fill(QWidget& pane, const SettingsServices& services, const QList<QWidget*>& cards) {
    auto* container = new PaneContainer(services);
    for (QWidget* card : cards)
        container->addCard(card);
    auto* layout = new QVBoxLayout(&pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(container);
}

Symbol::Symbol(const QString& name, qreal size, const QColor& colour, QSize box, QWidget* parent)
    : QWidget(parent), m_name(name), m_size(size), m_colour(colour) {
    setFixedSize(box);
}

void Symbol::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    Icons::paint(painter, rect(), m_name, m_size, m_colour);
}

ChoicePicker::ChoicePicker(const QStringList& titles, QWidget* parent) : QComboBox(parent) {
    addItems(titles);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    // `activated` comes from the user only, so showing a stored value never writes it back.
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (onChoose)
            onChoose(index);
    });
}

QSize ChoicePicker::minimumSizeHint() const {
    constexpr int narrowest = 120;
    const QSize ideal = sizeHint();
    return {std::min(ideal.width(), narrowest), ideal.height()};
}

void ChoicePicker::showSelection(std::optional<int> index) {
    setCurrentIndex(index.value_or(-1));
}

Stepper::Stepper(QWidget* parent)
    : QWidget(parent), m_label(new QLabel(this)), m_minus(new QToolButton(this)),
      m_plus(new QToolButton(this)) {
    m_label->setTextFormat(Qt::PlainText);
    // In the panel's narrow pane the label wraps rather than push the pane wider.
    m_label->setWordWrap(true);
    m_minus->setText(QStringLiteral("−"));
    m_plus->setText(QStringLiteral("+"));
    m_minus->setAccessibleName(QStringLiteral("Decrement"));
    m_plus->setAccessibleName(QStringLiteral("Increment"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(m_label);
    row->addWidget(m_minus);
    row->addWidget(m_plus);
    row->addStretch();
    connect(m_minus, &QToolButton::clicked, this, [this] {
        if (onDecrement)
            onDecrement();
    });
    connect(m_plus, &QToolButton::clicked, this, [this] {
        if (onIncrement)
            onIncrement();
    });
}

void Stepper::setState(const QString& label, bool canDecrement, bool canIncrement) {
    m_label->setText(label);
    m_minus->setEnabled(canDecrement);
    m_plus->setEnabled(canIncrement);
}

} // namespace Parlino::PaneWidgets
