#pragma once

#include "Parlino/Panel/TabChain.h"

#include <QRectF>

#include <functional>
#include <optional>

class QWidget;

namespace Parlino {

// The five floating surfaces; each is one window.
enum class SurfaceKind { panel, bubble, idleBar, warning, onboarding };

// One floating surface's window as its controller drives it: frames in the bottom-up
// coordinates of ScreenScalars, shown and hidden without ever taking focus from the user's
// application. The window takes key status only when the user clicks into it.
class SurfaceWindow {
public:
    virtual ~SurfaceWindow() = default;

    // Hosts `view` (taking ownership) as the window's whole content.
    virtual void setContentView(QWidget* view) = 0;

    // `display` repaints the content at once rather than on the next paint.
    virtual void setFrame(const QRectF& frame, bool display) = 0;
    // The frame last set while the window stayed where it was put; otherwise where it is.
    virtual QRectF frame() const = 0;

    // Shows the window above every other window (and its own kind's level) without activating.
    virtual void orderFront() = 0;
    virtual void orderOut() = 0;
    virtual bool isShown() const = 0;
    // Gives the shown window the keyboard, as a click on it does; it never takes it by itself.
    // Hiding it hands the keyboard back to the application that had it.
    virtual void makeKey() = 0;
    // Gives the shown window the keyboard on its first control (forward) or on its last
    // (backward), with the focus ring, as Tab arriving from another surface does.
    virtual void makeKeyAtEnd(TabDirection direction) = 0;

    // Click-through: while set, clicks and motion reach whatever lies below the window.
    virtual void setIgnoresMouse(bool ignores) = 0;
    virtual bool ignoresMouse() const = 0;
    // Clicks and motion land only in `area` (in the frame's coordinates) and reach whatever lies
    // below the rest of the window; none, the default, takes them on the whole window. The area
    // keeps its place on the screen when the frame changes; click-through overrides it.
    virtual void setInputArea(const std::optional<QRectF>& area) = 0;

    // Esc in the window (while it is key) runs this; nothing when unset.
    std::function<void()> onCancel;
    void cancel() const {
        if (onCancel)
            onCancel();
    }

    // Tab past the window's last control (or Shift+Tab before its first) runs this; whether it
    // took the keyboard to another surface. Unset, or when it did not, Tab goes round the
    // window's own controls.
    std::function<bool(TabDirection)> onTabOut;
    bool tabOut(TabDirection direction) const { return onTabOut && onTabOut(direction); }
};

} // namespace Parlino
