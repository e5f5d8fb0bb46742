#pragma once

#include "Parlino/Style/MotionPreferences.h"

#include <QWidget>

#include <memory>

class QLabel;

namespace Defaults {
class Observable;
}

namespace Parlino {

class ParlinoIconButton;
class ParlinoTextButton;
class PlayerViewModel;
class SmoothProgressBar;
struct SettingsKeys;

// The row of playback controls under the transcript: play/pause, the speed chip, the progress
// bar, the elapsed and total time and, once the read has finished, replay. It shows the
// model's state and forwards presses to the model's callbacks; it decides nothing. Its buttons
// are Tab stops that a click does not focus, so that Space after a click still plays or pauses.
class ControlBar final : public QWidget {
public:
    static constexpr int barHeight = 44;

    ControlBar(PlayerViewModel& model, const SettingsKeys& settings, const MotionContext& motion,
               QWidget* parent = nullptr);
    ~ControlBar() override;

    QWidget& playPauseButton() const;

private:
    void showPhase();
    void showProgress();
    void showSpeed();
    void showTimeFont();

    PlayerViewModel& m_model;
    const SettingsKeys& m_settings;
    ParlinoIconButton* m_playPause;
    ParlinoTextButton* m_speed;
    SmoothProgressBar* m_progress;
    QLabel* m_time;
    ParlinoIconButton* m_replay;
    std::unique_ptr<Defaults::Observable> m_rate;
    std::unique_ptr<Defaults::Observable> m_fontDesign;
};

} // namespace Parlino
