#include "Parlino/Settings/PlaybackPaneModel.h"

#include "Parlino/Style/NumberText.h"

#include "Parlino/Services/SynthesisModelChoice.h"

#include <QLocale>

#include <algorithm>

namespace Parlino {

QString PlaybackPaneModel::rateLabel(double rate) {
    return QString::number(rate, 'g', 6) + QChar(0x00D7);
}

PlaybackPaneModel::PlaybackPaneModel(const SettingsKeys& keys, QObject* parent)
    : QObject(parent), m_keys(keys), m_defaultRate(keys.defaultPlaybackRate),
      m_threshold(keys.confirmThreshold),
      m_model(keys.synthesisModel, SynthesisModelChoices::table) {
    connect(&m_defaultRate, &Defaults::Observable::changed, this, &PlaybackPaneModel::changed);
    connect(&m_threshold, &Defaults::Observable::changed, this, &PlaybackPaneModel::changed);
}

std::optional<int> PlaybackPaneModel::selectedRateIndex() const {
    const auto found = std::find(rateSteps.begin(), rateSteps.end(), m_defaultRate.value());
    if (found == rateSteps.end())
        return std::nullopt;
    return int(found - rateSteps.begin());
}

void PlaybackPaneModel::chooseRate(double rate) {
    m_defaultRate.setValue(rate);
    Defaults::set(m_keys.playbackRate, rate);
}

void PlaybackPaneModel::increaseThreshold() {
    setThreshold(clampedThreshold() + thresholdStep);
}

void PlaybackPaneModel::decreaseThreshold() {
    setThreshold(clampedThreshold() - thresholdStep);
}

qint64 PlaybackPaneModel::clampedThreshold() const {
    return std::clamp(threshold(), minimumThreshold, maximumThreshold);
}

void PlaybackPaneModel::setThreshold(qint64 value) {
    m_threshold.setValue(std::clamp(value, minimumThreshold, maximumThreshold));
}

QString PlaybackPaneModel::thresholdLabel() const {
    return QStringLiteral("Long-text confirmation threshold: %1 characters")
        .arg(NumberText::grouped(threshold()));
}

} // namespace Parlino
