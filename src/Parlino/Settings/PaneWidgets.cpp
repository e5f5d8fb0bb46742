#include "Parlino/Settings/PaneWidgets.h"

#include "Parlino/Settings/PaneContainer.h"
#include "Parlino/Settings/SectionCard.h"
#include "Parlino/Style/FocusRest.h"
#include "Parlino/Style/Icons.h"
#include "Parlino/Style/PickerAccessible.h"
#include "Parlino/Style/Theme.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace Parlino::PaneWidgets {

namespace {

// The rows of a menu picker's open list: the pane's text on the dark list, the row under the
// pointer or the keyboard on an accent fill with rounded corners.
class PickerRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr int padding = 8;
    static constexpr int rowHeight = 24;
    static constexpr qreal fillInset = 3;
    static constexpr qreal fillRadius = 5;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString text = index.data(Qt::DisplayRole).toString();
        return {option.fontMetrics.horizontalAdvance(text) + 2 * padding, rowHeight};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool highlighted = option.state.testFlag(QStyle::State_Selected);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (highlighted) {
            QPainterPath fill;
            fill.addRoundedRect(QRectF(option.rect).adjusted(fillInset, 1, -fillInset, -1),
                                fillRadius, fillRadius);
            painter->fillPath(fill, Theme::accent());
        }
        painter->setFont(option.font);
        painter->setPen(highlighted ? QColor(Qt::white) : Theme::white85());
        painter->drawText(option.rect.adjusted(padding, 0, -padding, 0),
                          Qt::AlignVCenter | Qt::AlignLeft, index.data(Qt::DisplayRole).toString());
        painter->restore();
    }
};

} // namespace

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
    PickerAccessible::install(*this);
    addItems(titles);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    setItemDelegate(new PickerRowDelegate(this));
    // The open list is a window of its own: it takes the picker's dark palette only when told.
    view()->window()->setAttribute(Qt::WA_WindowPropagation);
    // Only the list's ground is its own; every other colour comes from the picker.
    QPalette list;
    list.setColor(QPalette::Base, Theme::graphite());
    view()->setPalette(list);
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

Stepper::Stepper(const QString& subject, QWidget* parent)
    : QWidget(parent), m_label(new QLabel(this)),
      m_buttons(new FocusRest(QAccessible::Grouping, {}, this)),
      m_minus(new QToolButton(m_buttons)), m_plus(new QToolButton(m_buttons)) {
    m_label->setTextFormat(Qt::PlainText);
    // In the panel's narrow pane the label wraps rather than push the pane wider.
    m_label->setWordWrap(true);
    m_minus->setText(QStringLiteral("−"));
    m_plus->setText(QStringLiteral("+"));
    m_minus->setAccessibleName(QStringLiteral("Decrease ") + subject);
    m_plus->setAccessibleName(QStringLiteral("Increase ") + subject);
    // A button that reaches its bound leaves the focus on the pair, where Space pressed again
    // does nothing, rather than on the other button, where it would step back. The pair keeps room
    // for its focus ring around the buttons; the label's spacing makes up for it.
    m_buttons->setObjectName(QStringLiteral("StepperButtons"));
    auto* buttons = new QHBoxLayout(m_buttons);
    buttons->setContentsMargins(ringRoom);
    buttons->setSpacing(buttonSpacing);
    buttons->addWidget(m_minus);
    buttons->addWidget(m_plus);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(labelSpacing - ringRoom.left());
    row->addWidget(m_label);
    row->addWidget(m_buttons);
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
    m_buttons->setAccessibleName(label);
    m_minus->setAccessibleDescription(label);
    m_plus->setAccessibleDescription(label);
    m_minus->setEnabled(canDecrement);
    m_plus->setEnabled(canIncrement);
}

} // namespace Parlino::PaneWidgets
