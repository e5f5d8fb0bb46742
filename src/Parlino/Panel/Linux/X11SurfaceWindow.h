#pragma once

#include "Parlino/Panel/FloatingPanel.h"
#include "Parlino/Panel/SurfaceWindow.h"

#include <QRect>

#include <memory>
#include <optional>

namespace Parlino {

// A floating surface on X11: an override-redirect window, so the window manager neither moves
// it below its top panel nor stacks it, focuses it or lists it. The stacking is kept here:
// ordering a surface front raises it, then every shown surface of a higher level (the tutorial
// card stays above the others). Click-through sets an empty input region, which lasts through
// resizes and never re-maps the window; an input area sets a region of that rectangle alone, in
// the window's device pixels, made afresh for each new frame. Taking the keyboard sets the X
// focus on the window itself (X11Focus); hiding the window gives the focus back to the root,
// where the window manager hands it to the application that had it.
class X11SurfaceWindow final : public SurfaceWindow {
public:
    explicit X11SurfaceWindow(SurfaceKind kind);
    ~X11SurfaceWindow() override;

    FloatingPanel& window() { return *m_window; }

    void setContentView(QWidget* view) override;
    void setFrame(const QRectF& frame, bool display) override;
    QRectF frame() const override;
    void orderFront() override;
    void orderOut() override;
    bool isShown() const override;
    void makeKey() override;
    void makeKeyAtEnd(TabDirection direction) override;
    void setIgnoresMouse(bool ignores) override;
    bool ignoresMouse() const override;
    void setInputArea(const std::optional<QRectF>& area) override;

private:
    void applyInputRegion();
    // The input area in the window's own device pixels.
    QRect inputRectangle() const;

    const int m_level;
    std::unique_ptr<FloatingPanel> m_window;
    std::optional<QRectF> m_frame;
    QRect m_nativeFrame;
    bool m_ignoresMouse = false;
    std::optional<QRectF> m_inputArea;
};

} // namespace Parlino
