#pragma once

#include <QMargins>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace Parlino {

// The window manager's frame around the application's ordinary windows, as the manager tells it:
// what it adds on each side, in the screen's device pixels.
class WindowFrames {
public:
    // The telling goes on while this lives.
    class Following {
    public:
        virtual ~Following() = default;
    };

    virtual ~WindowFrames() = default;

    // The frame the manager has told for the window as it shows now; none before it has told,
    // and none while the window is hidden.
    virtual std::optional<QMargins> told(const QWidget& window) = 0;
    // The frame told last for any of the application's windows, while what told it stands: none
    // once that window's frame was taken back or the manager that told it has gone.
    virtual std::optional<QMargins> toldBefore() = 0;
    // Asks the manager what frame it gives the window, shown or not yet, and calls `told` each
    // time it tells one, until the result is dropped (which `told` itself may do).
    virtual std::unique_ptr<Following> follow(QWidget& window,
                                              std::function<void(QMargins)> told) = 0;
};

} // namespace Parlino
