#pragma once

#include "Parlino/Settings/APIKeyPaneModel.h"
#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Settings/SettingsSidebarModel.h"
#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace Parlino {

class FocusRest;
class SettingsSidebar;

// The whole settings surface: the sidebar of sections with the two-press Quit row, a divider,
// and the detail, rebuilt for every selection with a short fade and rise. The pane that goes is
// gone at once: only its picture fades, so nothing of it takes a key, a click or a screen
// reader's attention while the next one comes in. In the settings
// window (`embedded` false) it is 760 × 560 on the solid ground; in the panel it fills what it
// is given, on glass, and keeps `topContentInset` free above the rows and the detail.
class SettingsView final : public QWidget {
public:
    static constexpr int windowWidth = 760;
    static constexpr int windowHeight = 560;
    static constexpr int windowSidebarWidth = 200;
    static constexpr int panelSidebarWidth = 170;
    static constexpr double transitionSeconds = 0.18;
    static constexpr double reducedTransitionSeconds = 0.12;
    static constexpr qreal transitionRise = 6;

    // The least the window is made where the floating surfaces leave no more room: every sidebar
    // row whole, `rowHeight` each, beside a pane that scrolls, as wide as the widest pane needs:
    // the Voice pane with its columns of voices.
    static QSize leastWindowSize(int rowHeight);
    // The same with rows as tall as the sidebar's font makes them at the screen's scale.
    static QSize leastWindowSize();

    SettingsView(const SettingsServices& services, SettingsNavigation& navigation, bool embedded,
                 qreal topContentInset, QWidget* parent = nullptr);
    ~SettingsView() override;

    SettingsSidebar& sidebar() const { return *m_sidebar; }
    // The pane view now shown.
    QWidget* detail() const { return m_pane; }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* makeDetail(SettingsPane pane);
    void showSelection(bool animated);
    void letGo(QWidget& pane, bool animated);
    void layOutDetail();

    SettingsServices m_services;
    bool m_embedded;
    SettingsSidebarModel m_sidebarModel;
    // Kept for the life of the view, so a check outlives a visit to another pane.
    APIKeyPaneModel m_apiKeyModel;
    SettingsSidebar* m_sidebar;
    // Where the keyboard focus rests, named after the pane, when a control of the pane goes with
    // its action.
    FocusRest* m_detailHost;
    QPointer<QWidget> m_pane;
    // The picture of the pane that went, fading out where it stood, at the opacity it had.
    QPixmap m_leavingImage;
    QPoint m_leavingPosition;
    double m_leavingOpacity = 1;
    AnimatedValue m_transition;
    FrameDriver m_frames;
};

} // namespace Parlino
