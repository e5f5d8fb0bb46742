#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

#include <functional>
#include <optional>

class QWidget;

namespace Base {
class Scheduler;
}

namespace Parlino {

class DesktopDocks;
class WindowFrames;

// Puts the application's ordinary windows (settings, clips) on the screen under the pointer,
// clear of the floating surfaces and of the desktop's docks, by the window manager's frame around
// them: the frame the
// manager has told for the window, else the one it told last, else an estimate. A frame larger
// than any frame can be on that screen is not taken. A window placed before the manager told its
// frame is followed until it tells, for `followSeconds` at most; the frame it tells, when it
// differs from the one assumed, places the window once more. Main thread.
class WindowPlacer {
public:
    static constexpr double followSeconds = 2;

    // Without `frames` every window is placed by the estimate; without `docks` the screens' free
    // areas are what Qt tells.
    WindowPlacer(WindowFrames* frames, Base::Scheduler& scheduler, DesktopDocks* docks = nullptr);

    // Places the window before it shows, at `size` or smaller down to `minimum` where the
    // surfaces leave no more room; `makeRoom` is called first when even that finds no place clear
    // of them.
    void place(QWidget& window, QSize size, QSize minimum = {},
               std::function<void()> makeRoom = {});

private:
    struct Placement {
        QSize size;
        QSize minimum;
        std::function<void()> makeRoom;
    };

    // `frame` in the window's logical pixels; the frame's rectangle as placed.
    QRect apply(QWidget& window, const Placement& placement, QMargins frame,
                std::optional<QRect> previous) const;
    // `devicePixels` told by the manager in the window's logical pixels, when it can be a frame.
    static std::optional<QMargins> frameOf(const QWidget& window,
                                           std::optional<QMargins> devicePixels);
    void follow(QWidget& window, Placement placement, QMargins assumed, QRect placed);

    WindowFrames* m_frames;
    Base::Scheduler& m_scheduler;
    DesktopDocks* m_docks;
};

} // namespace Parlino
