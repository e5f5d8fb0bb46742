#include "Parlino/Shell/WindowPlacer.h"

#include "support/FakeWindowFrames.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

using Parlino::WindowPlacer;

// On the offscreen platform a window has no frame of its own. Placed before it shows, its
// position is where the frame that the placer assumed begins; placed again once shown, its
// contents stand inside that frame.
class WindowPlacerTest : public ::testing::Test {
protected:
    QRect framed(const QWidget& window, QMargins frame) const {
        if (window.isVisible())
            return window.geometry().marginsAdded(frame);
        return QRect(window.pos(), window.size().grownBy(frame));
    }
    void show(QWidget& window) {
        window.show();
        QCoreApplication::processEvents();
    }

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    // Taller than the screen: the window fills its height, so the frame decides its size.
    const QSize tall{300, 5000};
    const QMargins thick{8, 40, 8, 8};
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    TestSupport::FakeWindowFrames frames;
    WindowPlacer placer{&frames, scheduler};
    QWidget window{nullptr, Qt::Window};
};

TEST_F(WindowPlacerTest, AThickerFrameToldOnceShownPlacesTheWindowOnceMoreInsideTheScreen) {
    placer.place(window, tall);
    show(window);
    EXPECT_FALSE(screen.contains(framed(window, thick))) << "by the estimate it would reach out";

    frames.tell(window, thick);
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.contains(framed(window, thick))) << testing::PrintToString(window.pos());
    EXPECT_EQ(window.height(), screen.height() - thick.top() - thick.bottom());
    EXPECT_FALSE(frames.isFollowed(&window)) << "once: later frames are not followed";
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(WindowPlacerTest, AFrameToldIsAssumedForEveryLaterPlacement) {
    placer.place(window, tall);
    show(window);
    frames.tell(window, thick);
    window.hide();
    frames.forget(window); // closed: the next showing is another native window

    QWidget other(nullptr, Qt::Window);
    placer.place(other, tall);
    EXPECT_TRUE(screen.contains(framed(other, thick))) << "placed by the frame told before";
    show(other);
    const QRect placed = other.geometry();
    frames.tell(other, thick);
    QCoreApplication::processEvents();
    EXPECT_EQ(other.geometry(), placed) << "told what it assumed, it stays";

    frames.tell(window, thick);
    placer.place(window, tall);
    EXPECT_FALSE(frames.isFollowed(&window)) << "a frame the manager has told is not asked for";
}

TEST_F(WindowPlacerTest, WithoutAnAnswerTheEstimateStandsAndTheFollowingEnds) {
    placer.place(window, tall);
    show(window);
    const QRect placed = window.geometry();
    scheduler.advance(WindowPlacer::followSeconds - 0.1);
    EXPECT_TRUE(frames.isFollowed(&window));
    scheduler.advance(0.1);
    EXPECT_FALSE(frames.isFollowed(&window)) << "the wait is bounded";
    EXPECT_EQ(window.geometry(), placed);

    // A window closed before the manager answers is not moved by the answer.
    placer.place(window, tall);
    window.hide();
    frames.tell(window, thick);
    EXPECT_EQ(window.geometry(), placed);
    EXPECT_FALSE(frames.isFollowed(&window));
}

TEST_F(WindowPlacerTest, TheFollowingEndsWithTheWindow) {
    auto shortLived = std::make_unique<QWidget>(nullptr, Qt::Window);
    const QWidget* gone = shortLived.get();
    placer.place(*shortLived, tall);
    shortLived.reset();
    EXPECT_FALSE(frames.isFollowed(gone));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

} // namespace
