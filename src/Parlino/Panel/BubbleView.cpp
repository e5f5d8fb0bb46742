#include "Parlino/Panel/BubbleView.h"

#include "Defaults/Default.h"
#include "Parlino/Panel/BubbleGeometryBox.h"
#include "Parlino/Panel/PlaybackLabels.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Style/DurationText.h"
#include "Parlino/Style/ParlinoGlass.h"
#include "Parlino/Style/PlaybackSpeedText.h"
#include "Parlino/Style/Theme.h"

#include "Base/Clock.h"

#include <QPainter>

#include <cmath>

namespace Parlino {

namespace {

constexpr qreal horizontalPadding = 10;
constexpr int labelSize = 11;
constexpr double slideSeconds = 0.18;
// The small busy indicator at 0.6 of its size: eight spokes turning twelve steps a second.
constexpr qreal spinnerDiameter = 16 * 0.6;
constexpr int spinnerSpokes = 8;
constexpr double spinnerStepsPerSecond = 12;

QFont labelFont(QFont font, QFont::Weight weight) {
    font.setPixelSize(labelSize);
    font.setWeight(weight);
    return font;
}

void paintSpinner(QPainter& painter, QPointF centre, double seconds) {
    const int step = int(std::floor(seconds * spinnerStepsPerSecond)) % spinnerSpokes;
    painter.save();
    painter.translate(centre);
    QPen pen(Qt::white, 1.4, Qt::SolidLine, Qt::RoundCap);
    for (int spoke = 0; spoke < spinnerSpokes; ++spoke) {
        const int age = (step - spoke + spinnerSpokes) % spinnerSpokes;
        pen.setColor(Theme::white(1.0 - 0.11 * age));
        painter.setPen(pen);
        const qreal angle = 2 * M_PI * spoke / spinnerSpokes;
        const QPointF direction(std::sin(angle), -std::cos(angle));
        painter.drawLine(direction * spinnerDiameter * 0.25, direction * spinnerDiameter * 0.5);
    }
    painter.restore();
}

} // namespace

class BubbleView::Pill final : public QWidget {
public:
    explicit Pill(BubbleView& owner) : QWidget(&owner), m_owner(owner) {
        setObjectName(QStringLiteral("BubblePill"));
        setAttribute(Qt::WA_TranslucentBackground);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const BubbleGeometryBox& geometry = m_owner.m_geometry;
        const auto phase = m_owner.m_model.phase().kind();
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setOpacity(m_owner.m_reveal.opacity());
        const QRectF pill(rect());
        const ParlinoGlass::Look look = ParlinoGlass::look(ParlinoSurface::pill);
        painter.setClipPath(surfaceShape(pill, look));
        paintSurface(painter, pill, look);
        const qreal band = std::max<qreal>(0, geometry.pillHeight() - geometry.visibleHeight());
        painter.fillRect(QRectF(0, 0, pill.width(), band), Theme::black());

        const QRectF row(horizontalPadding, pill.height() - geometry.visibleHeight(),
                         pill.width() - 2 * horizontalPadding, geometry.visibleHeight());
        const double rate = Defaults::get(m_owner.m_settings.playbackRate);
        painter.setFont(labelFont(QFont(), QFont::DemiBold));
        painter.setPen(PlaybackLabels::isFailure(phase) ? Theme::red() : Theme::white85());
        painter.drawText(row, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         playbackSpeedText(rate));

        switch (PlaybackLabels::bubbleIndicator(phase)) {
        case PlaybackLabels::BubbleIndicator::spinner:
            paintSpinner(painter, {row.right() - spinnerDiameter / 2, row.center().y()},
                         m_owner.m_motion.clock.now());
            break;
        case PlaybackLabels::BubbleIndicator::failure:
            painter.setFont(labelFont(QFont(), QFont::Bold));
            painter.setPen(Theme::red());
            painter.drawText(row, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("!"));
            break;
        case PlaybackLabels::BubbleIndicator::time: {
            const ProgressModel& progress = m_owner.m_model.progress();
            const auto design =
                PanelFontChoices::fromRawValue(Defaults::get(m_owner.m_settings.panelFontDesign));
            painter.setFont(labelFont(
                PanelFontChoices::font(design.value_or(PanelFontChoice::sfPro), labelSize),
                QFont::Medium));
            painter.setPen(Theme::white85());
            painter.drawText(
                row, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                PlaybackLabels::timeText(double(progress.elapsedWholeSeconds()), progress.total()));
            break;
        }
        }
    }

private:
    BubbleView& m_owner;
};

BubbleView::BubbleView(PlayerViewModel& model, BubbleGeometryBox& geometry,
                       const SettingsKeys& settings, const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_model(model), m_geometry(geometry), m_settings(settings), m_motion(motion),
      m_reveal(motion,
               [](bool revealing) {
                   return revealing ? Curve::easeOut(slideSeconds) : Curve::easeIn(slideSeconds);
               }),
      m_pill(new Pill(*this)), m_pillHover(*m_pill),
      m_rate(std::make_unique<Defaults::Default<double>>(settings.playbackRate)),
      m_fontDesign(std::make_unique<Defaults::Default<QString>>(settings.panelFontDesign)),
      m_frames(
          *this, motion.scheduler, [this] { refresh(); },
          [this] { return !m_reveal.isSettled() || isSpinning(); }) {
    setObjectName(QStringLiteral("BubbleView"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_reveal.setRevealed(geometry.revealed());
    m_pillHover.onEntered = [this] {
        if (onHoverEntered)
            onHoverEntered();
    };
    const auto redraw = [this] {
        refresh();
        m_frames.start();
    };
    connect(&geometry, &BubbleGeometryBox::revealedChanged, this, [this, redraw] {
        m_reveal.setRevealed(m_geometry.revealed());
        redraw();
    });
    for (const auto signal :
         {&BubbleGeometryBox::pillHeightChanged, &BubbleGeometryBox::visibleHeightChanged,
          &BubbleGeometryBox::horizontalBleedChanged})
        connect(&geometry, signal, this, redraw);
    connect(&model, &PlayerViewModel::phaseChanged, this, redraw);
    connect(&model.progress(), &ProgressModel::elapsedWholeSecondsChanged, this, redraw);
    connect(&model.progress(), &ProgressModel::totalChanged, this, redraw);
    connect(m_rate.get(), &Defaults::Observable::changed, this, redraw);
    connect(m_fontDesign.get(), &Defaults::Observable::changed, this, redraw);
    refresh();
}

BubbleView::~BubbleView() = default;

QRectF BubbleView::pillRect() const {
    const qreal bleed = m_geometry.horizontalBleed();
    const qreal top =
        height() - m_geometry.pillHeight() + m_reveal.offset(m_geometry.visibleHeight());
    return {bleed, top, width() - 2 * bleed, m_geometry.pillHeight()};
}

bool BubbleView::isSpinning() const {
    return isVisible() && PlaybackLabels::bubbleIndicator(m_model.phase().kind()) ==
                              PlaybackLabels::BubbleIndicator::spinner;
}

void BubbleView::refresh() {
    m_pill->setGeometry(pillRect().toAlignedRect());
    m_pill->update();
}

void BubbleView::resizeEvent(QResizeEvent*) {
    refresh();
}

void BubbleView::showEvent(QShowEvent*) {
    m_frames.start();
}

} // namespace Parlino
