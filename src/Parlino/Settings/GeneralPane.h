#pragma once

#include "Parlino/Settings/GeneralPaneModel.h"

#include <QWidget>

class QCheckBox;
class QLabel;

namespace Parlino {

struct SettingsServices;
class ArmedActionButton;
class PaneButton;

// The general settings: start at login, saving reads, the tutorial, the recordings folder, the
// audio cache with its two-press clear, and the version. The cache is measured each time the
// pane is shown.
class GeneralPane final : public QWidget {
public:
    GeneralPane(const SettingsServices& services, std::function<void()> onShowOnboarding,
                QWidget* parent = nullptr);

    GeneralPaneModel& model() { return m_model; }

    QCheckBox& launchAtLoginToggle() const { return *m_launchAtLogin; }
    PaneButton& recordingsButton() const { return *m_recordings; }
    ArmedActionButton& clearCacheButton() const { return *m_clearCache; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showLaunchAtLogin();
    void showRecordings();
    void showCache();

    GeneralPaneModel m_model;
    QCheckBox* m_launchAtLogin;
    PaneButton* m_recordings;
    ArmedActionButton* m_clearCache;
};

} // namespace Parlino
