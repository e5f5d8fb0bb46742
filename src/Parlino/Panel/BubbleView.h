#pragma once

#include "Parlino/Panel/SurfaceReveal.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/HoverTracker.h"

#include <QWidget>

#include <functional>
#include <memory>

namespace Defaults {
class Observable;
}

namespace Parlino {

class BubbleGeometryBox;
class PlayerViewModel;
struct SettingsKeys;

// The collapsed reading surface: a small pill under the top edge with the playback speed at its
// leading end and, at its trailing end, the time, a spinner while the read starts, or a red "!"
// when it has failed. The part of the pill inside the screen's top inset is painted black. It
// slides up out of view when the box is not revealed, and reports the pointer entering it.
class BubbleView final : public QWidget {
public:
    BubbleView(PlayerViewModel& model, BubbleGeometryBox& geometry, const SettingsKeys& settings,
               const MotionContext& motion, QWidget* parent = nullptr);
    ~BubbleView() override;

    std::function<void()> onHoverEntered;

    // The pill's rectangle in the view, where it stands now.
    QRectF pillRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class Pill;
    void refresh();
    bool isSpinning() const;

    PlayerViewModel& m_model;
    BubbleGeometryBox& m_geometry;
    const SettingsKeys& m_settings;
    MotionContext m_motion;
    SurfaceReveal m_reveal;
    Pill* m_pill;
    HoverTracker m_pillHover;
    std::unique_ptr<Defaults::Observable> m_rate;
    std::unique_ptr<Defaults::Observable> m_fontDesign;
    FrameDriver m_frames;
};

} // namespace Parlino
