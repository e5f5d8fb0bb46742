#include "Parlino/Shell/WindowPlacer.h"

#include "Base/Log.h"
#include "Base/Scheduler.h"
#include "Parlino/Shell/DesktopDocks.h"
#include "Parlino/Shell/WindowFrames.h"
#include "Parlino/Shell/WindowPlacement.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

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

// The free area of the screen the window is placed on, in logical pixels.
QSize screenUnderPointer() {
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry().size() : QSize();
}

void endFollowing(QWidget& window) {
    const QObjectList children = window.children();
    for (QObject* child : children)
        delete dynamic_cast<FrameFollowing*>(child);
}

} // namespace

WindowPlacer::WindowPlacer(WindowFrames* frames, Base::Scheduler& scheduler, DesktopDocks* docks)
    : m_frames(frames), m_scheduler(scheduler), m_docks(docks) {}

void WindowPlacer::place(QWidget& window, QSize size, QSize minimum,
                         std::function<void()> makeRoom) {
    endFollowing(window);
    const std::optional<QMargins> told =
        m_frames ? frameOf(window, m_frames->told(window)) : std::nullopt;
    const QMargins frame =
        told.value_or((m_frames ? frameOf(window, m_frames->toldBefore()) : std::nullopt)
                          .value_or(WindowPlacement::logicalFrame(WindowPlacement::estimatedFrame,
                                                                  window.devicePixelRatioF())));
    // A window shown before goes back to where it was, in the frame it is placed by: the one
    // the toolkit keeps is whatever the window's property said, which any client may write.
    std::optional<QRect> previous;
    if (const QWindow* handle = window.windowHandle())
        previous = handle->geometry().marginsAdded(frame);
    Placement placement{size, minimum, std::move(makeRoom)};
    const QRect placed = apply(window, placement, frame, previous);
    if (m_frames && !told)
        follow(window, std::move(placement), frame, placed);
}

QRect WindowPlacer::apply(QWidget& window, const Placement& placement, QMargins frame,
                          std::optional<QRect> previous) const {
    const QList<QRect> docks = m_docks ? m_docks->docks() : QList<QRect>();
    const auto request = [&] {
        WindowPlacement::Request request = WindowPlacement::requestOnPointerScreen(
            placement.size, placement.minimum, frame, docks);
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
            // What is no frame is not the manager's last word: the following goes on.
            const auto frame = frameOf(window, devicePixels);
            if (!frame)
                return;
            const bool again = *frame != assumed && window.isVisible();
            if (again)
                apply(window, placement, *frame, placed);
            log.info("frame told: %d %d %d %d, %{public}s", devicePixels.left(), devicePixels.top(),
                     devicePixels.right(), devicePixels.bottom(),
                     again ? "placed again" : "as assumed");
            delete following;
        });
}

std::optional<QMargins> WindowPlacer::frameOf(const QWidget& window,
                                              std::optional<QMargins> devicePixels) {
    if (!devicePixels)
        return std::nullopt;
    const QMargins frame = WindowPlacement::logicalFrame(*devicePixels, window.devicePixelRatioF());
    const QSize screen = screenUnderPointer();
    if (WindowPlacement::isFrame(frame, screen))
        return frame;
    log.error("told a frame of %d %d %d %d, more than a frame can be on a %d × %d screen: not "
              "taken",
              devicePixels->left(), devicePixels->top(), devicePixels->right(),
              devicePixels->bottom(), screen.width(), screen.height());
    return std::nullopt;
}

} // namespace Parlino
