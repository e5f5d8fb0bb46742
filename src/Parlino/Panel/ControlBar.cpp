#include "Parlino/Panel/ControlBar.h"

#include "Defaults/Default.h"
#include "Parlino/Panel/PlaybackLabels.h"
#include "Parlino/Panel/SmoothProgressBar.h"
#include "Parlino/Services/PanelFontChoice.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Style/ParlinoButton.h"
#include "Parlino/Style/PlaybackSpeedText.h"
#include "Parlino/Style/Theme.h"

#include <QHBoxLayout>
#include <QLabel>

namespace Parlino {

namespace {

constexpr qreal symbolSize = 14;
constexpr int labelSize = 11;

QFont speedFont() {
    QFont font;
    font.setPixelSize(labelSize);
    font.setWeight(QFont::DemiBold);
    return font;
}

// Calls one of the model's action callbacks, when it is set.
void call(const std::function<void()>& action) {
    if (action)
        action();
}

} // namespace

ControlBar::ControlBar(PlayerViewModel& model, const SettingsKeys& settings,
                       const MotionContext& motion, QWidget* parent)
    : QWidget(parent), m_model(model), m_settings(settings),
      m_playPause(new ParlinoIconButton(QStringLiteral("play.fill"), symbolSize, Qt::white,
                                        ParlinoButtonStyle::standard(), motion)),
      m_speed(new ParlinoTextButton(QString(), speedFont(), Qt::white,
                                    ParlinoButtonStyle::standard(), motion)),
      m_progress(new SmoothProgressBar), m_time(new QLabel),
      m_replay(new ParlinoIconButton(QStringLiteral("arrow.counterclockwise"), symbolSize,
                                     Qt::white, ParlinoButtonStyle::standard(), motion)),
      m_rate(std::make_unique<Defaults::Default<double>>(settings.playbackRate)),
      m_fontDesign(std::make_unique<Defaults::Default<QString>>(settings.panelFontDesign)) {
    setObjectName(QStringLiteral("ControlBar"));
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedHeight(barHeight);
    m_playPause->setObjectName(QStringLiteral("PlayPauseButton"));
    m_speed->setObjectName(QStringLiteral("SpeedChip"));
    m_time->setObjectName(QStringLiteral("TimeLabel"));
    m_replay->setObjectName(QStringLiteral("ReplayButton"));
    m_replay->setAccessibleName(QStringLiteral("Restart"));
    m_time->setTextFormat(Qt::PlainText);
    QPalette palette = m_time->palette();
    palette.setColor(QPalette::WindowText, Theme::white(0.7));
    m_time->setPalette(palette);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(14, 0, 14, 0);
    row->setSpacing(14);
    for (QWidget* item :
         std::initializer_list<QWidget*>{m_playPause, m_speed, m_progress, m_time, m_replay})
        row->addWidget(item, item == m_progress ? 1 : 0, Qt::AlignVCenter);

    connect(m_playPause, &QAbstractButton::clicked, this, [this] { call(m_model.onPlayPause); });
    connect(m_speed, &QAbstractButton::clicked, this, [this] { call(m_model.onRateTap); });
    connect(m_replay, &QAbstractButton::clicked, this, [this] { call(m_model.onReplay); });
    m_progress->onSeek = [this](double fraction) {
        if (m_model.onSeek)
            m_model.onSeek(fraction * m_model.progress().total().seconds);
    };
    connect(&model, &PlayerViewModel::phaseChanged, this, [this] { showPhase(); });
    connect(&model.progress(), &ProgressModel::elapsedChanged, this, [this] { showProgress(); });
    connect(&model.progress(), &ProgressModel::totalChanged, this, [this] { showProgress(); });
    connect(m_rate.get(), &Defaults::Observable::changed, this, [this] { showSpeed(); });
    connect(m_fontDesign.get(), &Defaults::Observable::changed, this, [this] { showTimeFont(); });
    showPhase();
    showProgress();
    showSpeed();
    showTimeFont();
}

ControlBar::~ControlBar() = default;

QWidget& ControlBar::playPauseButton() const {
    return *m_playPause;
}

void ControlBar::showPhase() {
    const auto phase = m_model.phase().kind();
    m_playPause->setSymbol(PlaybackLabels::playPauseSymbol(phase));
    m_playPause->setAccessibleName(PlaybackLabels::playPauseName(phase));
    m_replay->setVisible(PlaybackLabels::showsReplay(phase));
}

void ControlBar::showProgress() {
    const ProgressModel& progress = m_model.progress();
    m_progress->setFraction(
        PlaybackLabels::progressFraction(progress.elapsed(), progress.total().seconds));
    m_time->setText(PlaybackLabels::timeText(progress.elapsed(), progress.total()));
}

void ControlBar::showSpeed() {
    const double rate = Defaults::get(m_settings.playbackRate);
    m_speed->setText(playbackSpeedText(rate));
    m_speed->setAccessibleName(playbackSpeedName(rate));
    m_speed->updateGeometry();
}

void ControlBar::showTimeFont() {
    const auto design = PanelFontChoices::fromRawValue(Defaults::get(m_settings.panelFontDesign));
    m_time->setFont(PanelFontChoices::font(design.value_or(PanelFontChoice::sfPro), labelSize));
}

} // namespace Parlino
