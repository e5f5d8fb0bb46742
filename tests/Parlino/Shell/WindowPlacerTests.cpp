#include "Parlino/Shell/WindowPlacer.h"

#include "Parlino/Shell/WindowPlacement.h"

#include "support/FakeWindowFrames.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

using Parlino::WindowPlacer;

// On the offscreen platform a window has no frame of its own: its contents stand where they were
// placed, inside the frame that the placer assumed.
class WindowPlacerTest : public ::testing::Test {
protected:
    QRect framed(const QWidget& window, QMargins frame) const {
        return window.windowHandle()->geometry().marginsAdded(frame);
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

    placer.place(other, tall);
    EXPECT_FALSE(frames.isFollowed(&other)) << "a frame told for a shown window is not asked for";
    other.hide();
    placer.place(other, tall);
    EXPECT_TRUE(frames.isFollowed(&other)) << "nor is a hidden window's, which may have changed";
    EXPECT_EQ(other.geometry(), placed) << "shown again where it was";
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

// A client answering for the manager with sides larger than the screen tells no frame: the
// estimate stands, and the following waits for the manager's own answer.
TEST_F(WindowPlacerTest, AFrameNoWindowCanHaveIsNotTaken) {
    const QSize least(300, 200);
    const QMargins hostile(16384, 16384, 16384, 16384);
    placer.place(window, tall, least);
    show(window);
    const QRect placed = window.geometry();
    frames.tell(window, hostile);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.geometry(), placed);
    EXPECT_TRUE(frames.isFollowed(&window));
    frames.tell(window, thick);
    QCoreApplication::processEvents();
    EXPECT_TRUE(screen.contains(framed(window, thick)));
    EXPECT_FALSE(frames.isFollowed(&window));

    // Told for the window itself, or before for another, it is not taken either.
    frames.tell(window, hostile);
    window.hide();
    placer.place(window, tall, least);
    QWidget other(nullptr, Qt::Window);
    placer.place(other, tall, least);
    // The window made before goes by its contents, the other by its frame's corner.
    const QMargins estimate = Parlino::WindowPlacement::estimatedFrame;
    for (const QRect& contents :
         {window.windowHandle()->geometry(), framed(other, estimate).marginsRemoved(estimate)}) {
        EXPECT_TRUE(screen.contains(contents.marginsAdded(estimate)))
            << testing::PrintToString(contents);
        EXPECT_GE(contents.width(), least.width());
        EXPECT_GE(contents.height(), least.height());
    }
}

// Once what told it is gone (the property taken back, the manager gone), a frame told before no
// longer places a window: the estimate does.
TEST_F(WindowPlacerTest, AFrameToldBeforeGoesWithWhatToldIt) {
    placer.place(window, tall);
    show(window);
    frames.tell(window, thick);
    QWidget byTheFrameToldBefore(nullptr, Qt::Window);
    placer.place(byTheFrameToldBefore, tall);
    frames.withdraw();
    QWidget byTheEstimate(nullptr, Qt::Window);
    placer.place(byTheEstimate, tall);
    EXPECT_EQ(byTheFrameToldBefore.height(), screen.height() - thick.top() - thick.bottom());
    EXPECT_EQ(byTheEstimate.height(), screen.height() -
                                          Parlino::WindowPlacement::estimatedFrame.top() -
                                          Parlino::WindowPlacement::estimatedFrame.bottom());
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
