#pragma once

#include "Defaults/Default.h"
#include "Parlino/Services/SettingsKeys.h"
#include "Parlino/Settings/StoredChoice.h"

#include <array>
#include <optional>

namespace Parlino {

// What the playback settings show and change: the default speed, the synthesis model and the
// long-text confirmation threshold. Every change is stored at once. Main thread.
class PlaybackPaneModel final : public QObject {
    Q_OBJECT

public:
    static constexpr std::array<double, 7> rateSteps{0.5, 0.75, 1.0, 1.25, 1.5, 1.75, 2.0};
    static constexpr qint64 minimumThreshold = 1000;
    static constexpr qint64 maximumThreshold = 20000;
    static constexpr qint64 thresholdStep = 1000;

    // The rate as "%g×" with a full stop whatever the locale: "0.75×", "1×".
    static QString rateLabel(double rate);

    explicit PlaybackPaneModel(const SettingsKeys& keys, QObject* parent = nullptr);

    // The step the stored default speed is exactly, or none.
    std::optional<int> selectedRateIndex() const;
    // Stores the rate as the default speed and then as the current speed.
    void chooseRate(double rate);

    StoredChoice& model() { return m_model; }

    qint64 threshold() const { return m_threshold.value(); }
    bool canIncreaseThreshold() const { return threshold() < maximumThreshold; }
    bool canDecreaseThreshold() const { return threshold() > minimumThreshold; }
    // One step up or down from the stored value brought into the range, kept within it.
    void increaseThreshold();
    void decreaseThreshold();
    // The threshold with the user's locale's grouping: "… threshold: 20,000 characters".
    QString thresholdLabel() const;

signals:
    // After each write of the default speed or the threshold.
    void changed();

private:
    qint64 clampedThreshold() const;
    void setThreshold(qint64 value);

    const SettingsKeys& m_keys;
    Defaults::Default<double> m_defaultRate;
    Defaults::Default<qint64> m_threshold;
    StoredChoice m_model;
};

} // namespace Parlino
