#include "Parlino/Style/AnimatedValue.h"
#include "Parlino/Style/FrameDriver.h"
#include "Parlino/Style/MotionPreferences.h"

#include "support/ManualTime.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

using namespace Parlino;
using TestSupport::ManualClock;
using TestSupport::ManualScheduler;

TEST(Curve, EasingCurvesRunFromZeroToOneWithTheirShape) {
    const Curve curves[] = {Curve::linear(0.2), Curve::easeIn(0.2), Curve::easeOut(0.2),
                            Curve::easeInOut(0.2)};
    for (const Curve& curve : curves) {
        EXPECT_EQ(curve.progress(0), 0);
        EXPECT_EQ(curve.progress(0.2), 1);
        EXPECT_EQ(curve.progress(5), 1);
        double previous = 0;
        for (double t = 0.01; t < 0.2; t += 0.01) {
            EXPECT_GT(curve.progress(t), previous) << t;
            previous = curve.progress(t);
        }
    }
    EXPECT_NEAR(Curve::linear(0.2).progress(0.05), 0.25, 1e-12);
    EXPECT_LT(Curve::easeIn(0.2).progress(0.1), 0.4);
    EXPECT_GT(Curve::easeOut(0.2).progress(0.1), 0.6);
    EXPECT_NEAR(Curve::easeInOut(0.2).progress(0.1), 0.5, 1e-6);
}

TEST(Curve, ASpringBouncesOnlyWhenUnderdampedAndThenSettles) {
    auto peak = [](const Curve& curve) {
        double highest = 0;
        for (double t = 0; t < curve.duration(); t += 0.001)
            highest = std::max(highest, curve.progress(t));
        return highest;
    };
    const Curve bouncy = Curve::spring(0.32, 0.58);
    const Curve critical = Curve::spring(0.35, 1.0);
    EXPECT_GT(peak(bouncy), 1.05);
    EXPECT_LE(peak(critical), 1.0);
    EXPECT_NEAR(bouncy.progress(bouncy.duration() - 1e-6), 1.0, 2e-3);
    EXPECT_NEAR(critical.progress(critical.duration() - 1e-6), 1.0, 2e-3);
    EXPECT_NEAR(critical.progress(0.35), 1.0, 0.05);
}

TEST(AnimatedValue, FollowsItsCurveOnTheClockAndJumpsUnderReduceMotion) {
    ManualClock clock;
    clock.set(8);
    AnimatedValue value(clock, 0);
    value.animateTo(1, Curve::linear(0.125), false);
    EXPECT_FALSE(value.isSettled());
    EXPECT_EQ(value.now(), 0);
    clock.set(8.0625);
    EXPECT_NEAR(value.now(), 0.5, 1e-9);
    clock.set(8.125);
    EXPECT_EQ(value.now(), 1);
    EXPECT_TRUE(value.isSettled());

    value.animateTo(0, Curve::linear(0.1), true);
    EXPECT_EQ(value.now(), 0);
    EXPECT_TRUE(value.isSettled());
}

TEST(AnimatedValue, ARetargetStartsFromWhereTheValueIsNow) {
    ManualClock clock;
    AnimatedValue value(clock, 0);
    value.animateTo(1, Curve::linear(1), false);
    clock.set(0.25);
    value.animateTo(0, Curve::linear(1), false);
    EXPECT_NEAR(value.now(), 0.25, 1e-9);
    clock.set(0.75);
    EXPECT_NEAR(value.now(), 0.125, 1e-9);
    // Asking again for the target already on its way does not restart the animation.
    value.animateTo(0, Curve::linear(1), false);
    EXPECT_NEAR(value.now(), 0.125, 1e-9);
    clock.set(1.25);
    EXPECT_EQ(value.now(), 0);
}

TEST(FrameDriver, DrawsFramesWhileMovingAndOneMoreWhenItStops) {
    ManualClock clock;
    ManualScheduler scheduler(clock);
    AnimatedValue value(clock, 0);
    int frames = 0;
    QObject owner;
    FrameDriver driver(
        owner, scheduler, [&] { ++frames; }, [&] { return !value.isSettled(); });

    value.animateTo(1, Curve::easeOut(0.105), false);
    driver.start();
    driver.start();
    EXPECT_EQ(scheduler.pendingCount(), 1u);
    scheduler.advance(0.2);
    EXPECT_FALSE(driver.isRunning());
    // Ticks come every 1/60 s; the seventh is the first past the end of the animation.
    EXPECT_EQ(frames, 7);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

// A frame takes time of its own: the animation may end while one is being made, after it read a
// value short of the end. One more frame draws the end state.
TEST(FrameDriver, DrawsTheEndStateAlsoWhenTheAnimationEndsDuringAFrame) {
    ManualClock clock;
    ManualScheduler scheduler(clock);
    AnimatedValue value(clock, 0);
    QList<double> drawn;
    QObject owner;
    FrameDriver driver(
        owner, scheduler,
        [&] {
            drawn.append(value.now());
            clock.set(clock.now() + 0.01);
        },
        [&] { return !value.isSettled(); });

    value.animateTo(1, Curve::linear(0.1), false);
    driver.start();
    scheduler.advance(1);
    ASSERT_GE(drawn.size(), 2);
    EXPECT_LT(drawn[drawn.size() - 2], 1) << "the frame before the last began short of the end";
    EXPECT_EQ(drawn.last(), 1);
    EXPECT_FALSE(driver.isRunning());
}

TEST(FrameDriver, NoFrameRunsOnceItsOwnerIsGone) {
    ManualClock clock;
    ManualScheduler scheduler(clock);
    int frames = 0;
    auto owner = std::make_unique<QObject>();
    FrameDriver driver(
        *owner, scheduler, [&] { ++frames; }, [] { return true; });
    driver.start();
    scheduler.advance(FrameDriver::interval);
    ASSERT_EQ(frames, 1);

    owner.reset();
    scheduler.advance(1);
    EXPECT_EQ(frames, 1);
}

TEST(MotionPreferences, ReportsOnlyRealChangesAndHonoursTheEnvironmentPin) {
    qunsetenv("PARLINO_REDUCE_MOTION");
    MotionPreferences desktop;
    QSignalSpy spy(&desktop, &MotionPreferences::reduceMotionChanged);
    desktop.setReduceMotion(false);
    desktop.setReduceMotion(true);
    desktop.setReduceMotion(true);
    EXPECT_TRUE(desktop.reduceMotion());
    EXPECT_EQ(spy.count(), 1);

    qputenv("PARLINO_REDUCE_MOTION", "1");
    qputenv("PARLINO_REDUCE_TRANSPARENCY", "0");
    MotionPreferences pinned;
    qunsetenv("PARLINO_REDUCE_MOTION");
    qunsetenv("PARLINO_REDUCE_TRANSPARENCY");
    pinned.setReduceMotion(false);
    pinned.setReduceTransparency(true);
    EXPECT_TRUE(pinned.reduceMotion());
    EXPECT_FALSE(pinned.reduceTransparency());
}
