#include "Parlino/Shell/WindowPlacer.h"

#include "Base/Log.h"
#include "Base/Scheduler.h"
#include "Parlino/Shell/WindowFrames.h"
#include "Parlino/Shell/WindowPlacement.h"

#include <QWidget>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("placement"));

// The following of one window's frame: a child of the window, so that it ends with it.
class FrameFollowing final : public QObject {
public:
    explicit FrameFollowing(QWidget& window) : QObject(&window) {}

    std::unique_ptr<WindowFrames::Following> following;
    Base::ScheduledTask bound;
};

void endFollowing(QWidget& window) {
    const QObjectList children = window.children();
    for (QObject* child : children)
        delete dynamic_cast<FrameFollowing*>(child);
}

} // namespace

WindowPlacer::WindowPlacer(WindowFrames* frames, Base::Scheduler& scheduler)
    : m_frames(frames), m_scheduler(scheduler) {}

void WindowPlacer::place(QWidget& window, QSize size, QSize minimum,
                         std::function<void()> makeRoom) {
    endFollowing(window);
    const std::optional<QMargins> told = m_frames ? m_frames->told(window) : std::nullopt;
    const QMargins frame = WindowPlacement::logicalFrame(
        told.value_or(m_lastTold.value_or(WindowPlacement::estimatedFrame)),
        window.devicePixelRatioF());
    // A window shown before goes back to where it was.
    std::optional<QRect> previous;
    if (window.windowHandle())
        previous = window.frameGeometry();
    Placement placement{size, minimum, std::move(makeRoom)};
    const QRect placed = apply(window, placement, frame, previous);
    if (m_frames && !told)
        follow(window, std::move(placement), frame, placed);
}

QRect WindowPlacer::apply(QWidget& window, const Placement& placement, QMargins frame,
                          std::optional<QRect> previous) {
    const auto request = [&] {
        WindowPlacement::Request request =
            WindowPlacement::requestOnPointerScreen(placement.size, placement.minimum, frame);
        request.previous = previous;
        return request;
    };
    if (placement.makeRoom && !WindowPlacement::fitsClear(request()))
        placement.makeRoom();
    return WindowPlacement::apply(window, request());
}

// Asked before the window is first mapped, the manager tells its frame at once; some tell it
// only once they manage the window, and some never do: the estimate then stands. Told another
// frame, the window keeps its frame's top left where it was put, unless that no longer fits.
void WindowPlacer::follow(QWidget& window, Placement placement, QMargins assumed, QRect placed) {
    auto* following = new FrameFollowing(window);
    following->bound = m_scheduler.after(followSeconds, [following] {
        log.info("frame not told within %g s: as assumed", followSeconds);
        delete following;
    });
    following->following =
        m_frames->follow(window, [this, &window, following, placement = std::move(placement),
                                  assumed, placed](QMargins devicePixels) {
            m_lastTold = devicePixels;
            const QMargins frame =
                WindowPlacement::logicalFrame(devicePixels, window.devicePixelRatioF());
            const bool again = frame != assumed && window.isVisible();
            log.info("frame told: %d %d %d %d, %{public}s", devicePixels.left(), devicePixels.top(),
                     devicePixels.right(), devicePixels.bottom(),
                     again ? "placed again" : "as assumed");
            if (again)
                apply(window, placement, frame, placed);
            delete following;
        });
}

} // namespace Parlino
