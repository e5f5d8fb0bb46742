#pragma once

#include "Parlino/Settings/PaneWidgets.h"
#include "Parlino/Settings/PlaybackPaneModel.h"

namespace Parlino {

struct SettingsServices;

// The playback settings: the default speed, the voice model with its cost note, and the
// long-text confirmation threshold. Every control writes its setting at once.
class PlaybackPane final : public QWidget {
public:
    explicit PlaybackPane(const SettingsServices& services, QWidget* parent = nullptr);

    PlaybackPaneModel& model() { return m_model; }

private:
    void refresh();

    PlaybackPaneModel m_model;
    PaneWidgets::ChoicePicker* m_rate;
    PaneWidgets::ChoicePicker* m_voiceModel;
    PaneWidgets::Stepper* m_threshold;
};

} // namespace Parlino
