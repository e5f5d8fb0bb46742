#pragma once

#include "Parlino/Panel/SurfaceReveal.h"
#include "Parlino/Style/FrameDriver.h"

#include <QWidget>

#include <functional>

class QLabel;

namespace Parlino {

class ControlBar;
class EscPillButton;
class HighlightedTextView;
class PanelGeometryBox;
class ParlinoSurfaceLayer;
class PlayerViewModel;
struct SettingsKeys;

// The reading panel: a sheet hanging from the top edge with the "esc" pill in its header band
// and, below the band, the transcript over the control bar, or "No recent audio" while no read
// is shown. It keeps no state of its own beyond its children's: it shows the model and the
// geometry box and turns input into the model's callbacks. With the keyboard focus, Space plays
// or pauses and Escape closes, once per press.
class PanelView final : public QWidget {
public:
    static constexpr qreal sideMargin = 8;
    static constexpr qreal headerPadding = 12;
    static constexpr qreal headerButtonSide = 23;

    PanelView(PlayerViewModel& model, PanelGeometryBox& geometry, const SettingsKeys& settings,
              const MotionContext& motion, QWidget* parent = nullptr);
    ~PanelView() override;

    std::function<void()> onHoverEntered;
    std::function<void()> onHoverExited;

    // The sheet's rectangle in the view, where it stands now: as tall as the panel's sizing
    // rule says, hanging from the top edge.
    QRectF sheetRect() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void showPhase();
    void layOutSheet();
    qreal sheetHeight() const;

    PlayerViewModel& m_model;
    PanelGeometryBox& m_geometry;
    SurfaceReveal m_reveal;
    ParlinoSurfaceLayer* m_sheet;
    EscPillButton* m_escPill;
    QLabel* m_noRecentAudio;
    HighlightedTextView* m_transcript;
    ControlBar* m_controlBar;
    FrameDriver m_frames;
};

} // namespace Parlino
