#pragma once

#include "Parlino/Panel/PanelSizing.h"
#include "Parlino/Style/MotionPreferences.h"

#include <QWidget>

#include <functional>

namespace Parlino {

class AudioOutput;
class EscPillButton;
class NavCircleButton;
class PlayerViewModel;
class WarningModel;
class WarningNavCircleButton;

// The header row of the reading panel, laid over the band at the top of its sheet. During a
// read's own phases: the "Settings", "Voices" and "Audio Clips" page buttons, the warning row
// under them while a warning is up, mute and pin; on a card only the "esc" pill. Each button
// calls one action of its model; the warning model and the audio output are optional (without
// them there is no warning row, or no mute button). Tab goes along the row, left to right, then
// to the warning row.
class PanelHeader final : public QWidget {
public:
    static constexpr qreal sidePadding = 12;
    static constexpr qreal spacing = 10;
    static constexpr qreal buttonSide = PanelSizing::headerButton;

    PanelHeader(PlayerViewModel& model, WarningModel* warnings, AudioOutput* audio,
                const MotionContext& motion, QWidget* parent = nullptr);

    // The band's height under the screen's top edge; the header lays itself out in it.
    void setTopContentInset(qreal inset);
    // A read's own phase (not a card): the page buttons, mute and pin show.
    bool showsChrome() const;
    bool showsWarningRow() const;
    // The row's first button: Settings, or on a card the "esc" pill.
    QWidget& firstButton() const;

    std::function<void()> onWarningTapped;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showState();
    void layOutButtons();

    PlayerViewModel& m_model;
    WarningModel* m_warnings;
    AudioOutput* m_audio;
    qreal m_topContentInset = 0;
    NavCircleButton* m_settings;
    NavCircleButton* m_voices;
    NavCircleButton* m_clips;
    NavCircleButton* m_mute;
    NavCircleButton* m_pin;
    WarningNavCircleButton* m_warning;
    EscPillButton* m_escPill;
};

} // namespace Parlino
