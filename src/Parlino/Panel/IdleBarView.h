#pragma once

#include "Parlino/Panel/SurfaceReveal.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/HoverTracker.h"

#include <QWidget>

#include <functional>

namespace Parlino {

class IdleBarGeometryBox;

// The resting surface: a thin bar under the top edge that is one button, "Open Parlino". It
// grows 4 points down while the pointer rests on it, slides up out of view when the box is not
// revealed, and starts afresh, not grown, at each new presentation.
class IdleBarView final : public QWidget {
public:
    static constexpr qreal hoverGrowth = 4;

    IdleBarView(IdleBarGeometryBox& geometry, const MotionContext& motion,
                QWidget* parent = nullptr);
    ~IdleBarView() override;

    std::function<void()> onClicked;

    // The bar as painted now, in the view's coordinates.
    QRectF barRect() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    class Button;
    void refresh();
    void setHovering(bool hovering);

    IdleBarGeometryBox& m_geometry;
    MotionContext m_motion;
    SurfaceReveal m_reveal;
    AnimatedValue m_growth;
    bool m_hovering = false;
    Button* m_button;
    HoverTracker m_buttonHover;
    FrameDriver m_frames;
};

} // namespace Parlino
