#include "Parlino/Panel/OnboardingView.h"

#include "Parlino/Panel/NoticeStyle.h"
#include "Parlino/Panel/OnboardingGeometryBox.h"
#include "Parlino/Services/OnboardingModel.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/SpokenNotice.h"
#include "Parlino/Style/Theme.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>

#include <algorithm>

namespace Parlino {

namespace {

constexpr double dropSeconds = 0.22;
constexpr double exitSeconds = 0.34;
constexpr qreal cornerRadius = 16;
constexpr qreal dotSide = 5;
constexpr qreal dotSpacing = 5;

const OnboardingStep& stepAt(int index) {
    const auto& steps = OnboardingModel::steps();
    return steps[std::clamp(index, 0, int(steps.size()) - 1)];
}

bool isLastStep(int index) {
    return index >= int(OnboardingModel::steps().size()) - 1;
}

QLabel* textLabel(const QString& name, const QFont& font, const QColor& colour) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

ParlinoIconButton* iconButton(const QString& name, const QString& accessibleName,
                              const QString& symbol, qreal size, const QColor& colour,
                              const MotionContext& motion) {
    auto* button =
        new ParlinoIconButton(symbol, size, colour, ParlinoButtonStyle::standard(), motion);
    button->setObjectName(name);
    button->setAccessibleName(accessibleName);
    return button;
}

ParlinoTextButton* textButton(const QString& name, const QString& title, const QFont& font,
                              const MotionContext& motion) {
    auto* button =
        new ParlinoTextButton(title, font, Theme::accent(), ParlinoButtonStyle::standard(), motion);
    button->setObjectName(name);
    button->setAccessibleName(title);
    return button;
}

} // namespace

// The card's ground and edge, and the row of step dots, one per step with the current step's
// in the accent colour. The dots are drawn, not widgets: they say nothing to a screen reader.
class OnboardingView::Card final : public QWidget {
public:
    explicit Card(const OnboardingModel& model, QWidget* parent)
        : QWidget(parent), m_model(model) {}

    // The dots' place in the card's layout, which owns it.
    QSpacerItem* dots =
        new QSpacerItem(dotRowWidth(), int(dotSide), QSizePolicy::Fixed, QSizePolicy::Fixed);

    // The dot row, centred in the height of its place.
    QRectF dotsRect() const {
        const QRectF place = dots->geometry();
        return {place.left(), place.center().y() - dotSide / 2, place.width(), dotSide};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = rect();
        painter.fillPath(roundedShape(bounds, cornerRadius, Theme::cornerStyle), Theme::graphite());
        painter.strokePath(roundedShape(bounds.adjusted(0.5, 0.5, -0.5, -0.5), cornerRadius - 0.5,
                                        Theme::cornerStyle),
                           QPen(Theme::white07(), 1));
        painter.setPen(Qt::NoPen);
        const QPointF origin = dotsRect().topLeft();
        for (int dot = 0; dot < OnboardingModel::steps().size(); ++dot) {
            painter.setBrush(dot == m_model.index() ? Theme::accent() : Theme::white45());
            painter.drawEllipse(QRectF(origin + QPointF(dot * (dotSide + dotSpacing), 0),
                                       QSizeF(dotSide, dotSide)));
        }
    }

private:
    static int dotRowWidth() {
        const auto count = qreal(OnboardingModel::steps().size());
        return qCeil(count * dotSide + (count - 1) * dotSpacing);
    }

    const OnboardingModel& m_model;
};

OnboardingView::OnboardingView(OnboardingModel& model, OnboardingGeometryBox& geometry,
                               const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_model(model), m_geometry(geometry),
      m_reveal(motion,
               [](bool revealing) {
                   return revealing ? Curve::easeOut(dropSeconds) : Curve::easeIn(exitSeconds);
               }),
      m_card(new Card(model, this)),
      m_body(textLabel(QStringLiteral("OnboardingBody"), noticeFont(14), Theme::white85())),
      m_link(textButton(QStringLiteral("OnboardingLink"), {}, noticeFont(12), motion)),
      m_signature(textLabel(QStringLiteral("OnboardingSignature"), noticeFont(13, QFont::Medium),
                            Theme::white60())),
      m_letsGo(textButton(QStringLiteral("OnboardingLetsGo"), tr("Let's go!"),
                          noticeFont(13, QFont::DemiBold), motion)),
      m_previous(iconButton(QStringLiteral("OnboardingPrevious"), tr("Previous"),
                            QStringLiteral("chevron.left"), 12, Theme::white60(), motion)),
      m_next(iconButton(QStringLiteral("OnboardingNext"), tr("Next"),
                        QStringLiteral("chevron.right"), 13, Theme::accent(), motion)),
      m_notice(new SpokenNotice(m_card)), m_frames(
                                              *this, motion.scheduler, [this] { placeCard(); },
                                              [this] { return !m_reveal.isSettled(); }) {
    setObjectName(QStringLiteral("OnboardingView"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_card->setObjectName(QStringLiteral("OnboardingCard"));
    auto* close = iconButton(QStringLiteral("OnboardingClose"), tr("Close tutorial"),
                             QStringLiteral("xmark"), 11, Theme::white45(), motion);

    auto* column = new QVBoxLayout;
    column->setSpacing(8);
    column->addWidget(m_body);
    column->addWidget(m_link, 0, Qt::AlignLeft);
    column->addWidget(m_signature);
    auto* stepRow = new QHBoxLayout;
    stepRow->setSpacing(12);
    stepRow->addLayout(column, 1);
    stepRow->addWidget(close, 0, Qt::AlignTop);
    auto* navigation = new QHBoxLayout;
    navigation->setSpacing(10);
    navigation->addSpacerItem(m_card->dots);
    navigation->addStretch();
    navigation->addWidget(m_letsGo);
    navigation->addWidget(m_previous);
    navigation->addWidget(m_next);
    auto* layout = new QVBoxLayout(m_card);
    layout->setContentsMargins(18, 16, 18, 16);
    layout->setSpacing(0);
    layout->addLayout(stepRow);
    layout->addSpacerItem(new QSpacerItem(0, 8, QSizePolicy::Minimum, QSizePolicy::Expanding));
    layout->addLayout(navigation);
    // Tab goes through the step's link, then back and on, then the close button.
    QWidget::setTabOrder(m_link, m_previous);
    QWidget::setTabOrder(m_previous, m_next);
    QWidget::setTabOrder(m_next, m_letsGo);
    QWidget::setTabOrder(m_letsGo, close);

    // A card on its way out keeps the keyboard until its window goes: it takes no more presses.
    const auto press = [this](QAbstractButton* button, const std::function<void()>& action) {
        connect(button, &QAbstractButton::clicked, this, [this, action] {
            if (m_geometry.revealed())
                action();
        });
    };
    const auto finish = [this] {
        if (m_model.onFinish)
            m_model.onFinish();
    };
    press(close, finish);
    press(m_letsGo, finish);
    press(m_previous, [this] { m_model.back(); });
    press(m_next, [this] { m_model.advance(); });
    press(m_link, [this] {
        const auto& link = stepAt(m_model.index()).link;
        if (link && openURL)
            openURL(link->url);
    });
    for (const auto signal : {&OnboardingModel::indexChanged, &OnboardingModel::hostChanged})
        connect(&model, signal, this, [this] { showStep(); });

    connect(&geometry, &OnboardingGeometryBox::revealedChanged, this, [this] {
        m_reveal.setRevealed(m_geometry.revealed());
        placeCard();
        m_frames.start();
    });
    connect(&geometry, &OnboardingGeometryBox::presentationIDChanged, this, [this] {
        m_reveal.jumpTo(m_geometry.revealed());
        placeCard();
    });
    for (const auto signal :
         {&OnboardingGeometryBox::heightChanged, &OnboardingGeometryBox::exitTravelChanged,
          &OnboardingGeometryBox::isExitingChanged})
        connect(&geometry, signal, this, [this] { placeCard(); });

    m_reveal.jumpTo(geometry.revealed());
    showStep();
    placeCard();
}

OnboardingView::~OnboardingView() = default;

QRectF OnboardingView::dotsRect() const {
    return m_card->dotsRect().translated(m_card->pos());
}

QRectF OnboardingView::cardRect() const {
    const qreal height = m_geometry.height();
    // Coming in, the card drops by its own height; leaving, it rises out of the whole window.
    const qreal travel = m_geometry.isExiting() ? m_geometry.exitTravel() : height;
    return {(width() - cardWidth) / 2, this->height() - height + m_reveal.offset(travel), cardWidth,
            height};
}

// Return presses the button with the focus: the step's way on, unless the user moved it to
// another button that is still there.
void OnboardingView::showStep() {
    const QWidget* focused = m_card->focusWidget();
    const int index = m_model.index();
    const OnboardingStep& step = stepAt(index);
    m_body->setText(step.bodyIn(m_model.host()));
    m_link->setVisible(step.link.has_value());
    if (step.link) {
        m_link->setText(step.link->title);
        m_link->setAccessibleName(spokenTitle(step.link->title));
        // Only the text: the link lines up with the body above it.
        m_link->setFixedSize(m_link->fontMetrics().size(Qt::TextSingleLine, step.link->title) +
                             QSize(0, 4));
    }
    m_signature->setVisible(step.signature.has_value());
    m_signature->setText(step.signature.value_or(QString()));
    // A screen reader says the card's words with the step button that comes to have the focus.
    const QString words = step.signature ? m_body->text() + u' ' + *step.signature : m_body->text();
    for (QWidget* button : {static_cast<QWidget*>(m_letsGo), static_cast<QWidget*>(m_previous),
                            static_cast<QWidget*>(m_next)})
        button->setAccessibleDescription(words);
    m_letsGo->setVisible(isLastStep(index));
    m_previous->setVisible(!isLastStep(index) && index >= 1);
    m_next->setVisible(!isLastStep(index));
    if (!focused || focused == m_next || !focused->isVisibleTo(m_card))
        (isLastStep(index) ? static_cast<QWidget*>(m_letsGo) : m_next)
            ->setFocus(Qt::OtherFocusReason);
    // When the keyboard stays on the button it pressed, the new words are said by themselves.
    if (focused && focused == m_card->focusWidget() && isActiveWindow())
        m_notice->say(words);
    m_card->update();
}

void OnboardingView::placeCard() {
    m_card->setGeometry(cardRect().toAlignedRect());
    setSurfaceOpacity(*m_card, m_reveal.opacity());
}

void OnboardingView::resizeEvent(QResizeEvent*) {
    placeCard();
}

} // namespace Parlino
