#include "Parlino/Settings/VoiceViewKit.h"

#include "Parlino/Settings/VoiceMeshTimeline.h"
#include "Parlino/Style/FocusRing.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/Theme.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>

#include <cmath>

namespace Parlino {

namespace {

constexpr int spinnerSpokes = 8;
constexpr qreal spinnerSide = 16;
constexpr qreal searchBoxRadius = 8;
constexpr double spinnerTurnSeconds = 1.0;

const QString providerSite = QStringLiteral("https://elevenlabs.io");

} // namespace

QFont voiceViewFont(qreal pixelSize, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(qRound(pixelSize));
    font.setWeight(weight);
    return font;
}

QLabel* plainLabel(const QString& text, const QFont& font, const QColor& colour, bool wraps,
                   QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    label->setWordWrap(wraps);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    return label;
}

ParlinoTextButton* linkButton(const QString& title, const QFont& font, const MotionContext& motion,
                              QWidget* parent) {
    auto* button = new ParlinoTextButton(title, font, Theme::accent(),
                                         ParlinoButtonStyle::standard(), motion, parent);
    button->setAccessibleName(spokenTitle(title));
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

QUrl providerPage(const QString& path) {
    return QUrl(providerSite + path);
}

void paintSmallSpinner(QPainter& painter, QPointF centre, qreal scale, double seconds) {
    const double turn = std::fmod(seconds / spinnerTurnSeconds, 1.0);
    const int lead = static_cast<int>(turn * spinnerSpokes) % spinnerSpokes;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(centre);
    painter.scale(scale, scale);
    for (int i = 0; i < spinnerSpokes; ++i) {
        const int age = (lead - i + spinnerSpokes) % spinnerSpokes;
        QColor spoke(Qt::white);
        spoke.setAlphaF(1.0f - 0.8f * age / spinnerSpokes);
        painter.setPen(QPen(spoke, spinnerSide / 9, Qt::SolidLine, Qt::RoundCap));
        const qreal angle = 2 * M_PI * i / spinnerSpokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * spinnerSide * 0.25, direction * spinnerSide * 0.45);
    }
    painter.restore();
}

SmallSpinner::SmallSpinner(VoiceMeshTimeline& timeline, QWidget* parent)
    : QWidget(parent), m_timeline(timeline) {
    setObjectName(QStringLiteral("SmallSpinner"));
    setFixedSize(int(spinnerSide), int(spinnerSide));
}

SmallSpinner::~SmallSpinner() {
    m_timeline.unsubscribe(this);
}

void SmallSpinner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintSmallSpinner(painter, QRectF(rect()).center(), 1, m_timeline.time());
}

void SmallSpinner::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    m_timeline.subscribe(this);
}

void SmallSpinner::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    m_timeline.unsubscribe(this);
}

VoiceSearchBox::VoiceSearchBox(QWidget* parent) : QWidget(parent), m_field(new QLineEdit) {
    m_field->setObjectName(QStringLiteral("VoiceSearchField"));
    m_field->setPlaceholderText(QStringLiteral("Search your voices"));
    m_field->setAccessibleName(QStringLiteral("Search your voices"));
    m_field->setFrame(false);
    m_field->setFont(voiceViewFont(12));
    QPalette palette = m_field->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, Qt::white);
    palette.setColor(QPalette::PlaceholderText, Theme::white(0.35));
    m_field->setPalette(palette);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 5, 8, 5);
    layout->addWidget(m_field);
    // The frameless field shows its focus as the box's ring.
    m_field->installEventFilter(this);
}

bool VoiceSearchBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        update();
    return QWidget::eventFilter(watched, event);
}

void VoiceSearchBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()), searchBoxRadius, searchBoxRadius);
    painter.fillPath(shape, Theme::white(0.08));
    if (FocusRing::isShown(*m_field))
        FocusRing::paint(painter, QRectF(rect()), searchBoxRadius);
}

} // namespace Parlino
