#pragma once

#include "Parlino/Settings/SettingsServices.h"
#include "Parlino/Settings/SettingsSidebarModel.h"
#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/ParlinoButton.h"

#include <QWidget>

namespace Parlino {

// One row of the settings sidebar: the pane's symbol and title, the selection fill, and for
// the Quit row the red highlight that grows in while it is armed. The Up and Down arrow keys
// move the focus to the row above or below. Assistive tools see the pane rows as page tabs and
// Quit as a push button.
class SidebarRow final : public ParlinoButton {
public:
    static constexpr double armSeconds = 0.15;
    static constexpr qreal unarmedScale = 0.55;

    SidebarRow(SettingsPane pane, SettingsSidebarModel& model, const MotionContext& motion,
               QWidget* parent = nullptr);

    // Every row's height: the title's line and the padding above and below it.
    static int rowHeight();

    SettingsPane pane() const { return m_pane; }
    bool isSelected() const;
    bool isArmed() const;
    // The colour of the symbol and the title.
    QColor tint() const;

    QSize sizeHint() const override;

protected:
    void paintLabel(QPainter& painter, const QRectF& rect) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void follow();

    SettingsPane m_pane;
    SettingsSidebarModel& m_model;
    MotionContext m_motion;
    AnimatedValue m_armedAmount;
    FrameDriver m_frames;
};

// The column of sidebar rows, one per pane, Quit last. Going out of sight disarms Quit.
class SettingsSidebar final : public QWidget {
public:
    SettingsSidebar(SettingsSidebarModel& model, const MotionContext& motion, bool embedded,
                    qreal topContentInset, QWidget* parent = nullptr);

    SidebarRow* row(SettingsPane pane) const;
    // The height that shows every row whole in the settings window, each `rowHeight` high.
    static int windowHeightFor(int rowHeight);

protected:
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    SettingsSidebarModel& m_model;
    bool m_embedded;
};

} // namespace Parlino
