#include "Parlino/Style/PointerMotion.h"

#include "support/ManualTime.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <memory>

namespace {

using Parlino::PointerMotion;

struct PointerMotionTest : ::testing::Test {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    PointerMotion motion{clock, scheduler};
    QSignalSpy changes{&motion, &PointerMotion::isMovingChanged};
};

TEST_F(PointerMotionTest, OneMotionMovesUntilOneSecondLaterAndAFreshMotionStartsAgain) {
    scheduler.advance(3);
    EXPECT_FALSE(motion.isMoving());
    motion.pointerMoved();
    EXPECT_TRUE(motion.isMoving());
    EXPECT_DOUBLE_EQ(motion.stillAt(), 4);
    scheduler.advance(0.999);
    EXPECT_TRUE(motion.isMoving());
    scheduler.advance(0.001);
    EXPECT_FALSE(motion.isMoving());
    EXPECT_EQ(changes.count(), 2);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    motion.pointerMoved();
    EXPECT_TRUE(motion.isMoving());
    EXPECT_EQ(scheduler.pendingCount(), 1u);
}

TEST_F(PointerMotionTest, SteadyMotionKeepsOneIdleTimerAndRestsOneSecondAfterTheLastMotion) {
    for (int step = 0; step <= 10; ++step) {
        motion.pointerMoved();
        EXPECT_EQ(scheduler.pendingCount(), 1u) << "after motion " << step;
        scheduler.advance(0.5);
        EXPECT_TRUE(motion.isMoving()) << "after motion " << step;
    }
    EXPECT_EQ(changes.count(), 1);
    // The last motion came at 5 s; it is now 5.5 s.
    scheduler.advance(0.49);
    EXPECT_TRUE(motion.isMoving());
    scheduler.advance(0.01);
    EXPECT_FALSE(motion.isMoving());
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(PointerMotionTest, AnIdleTimerWakingAtAnOutdatedDeadlineSleepsOnToTheNewOne) {
    motion.pointerMoved();
    scheduler.advance(0.9);
    motion.pointerMoved();
    scheduler.advance(0.1); // the first deadline passes
    EXPECT_TRUE(motion.isMoving());
    ASSERT_EQ(scheduler.pendingCount(), 1u);
    EXPECT_NEAR(scheduler.nextDelay().value_or(0), 0.9, 1e-9);
    scheduler.advance(0.9);
    EXPECT_FALSE(motion.isMoving());
}

TEST(PointerMotion, ADestroyedInstanceLeavesNoTimerBehind) {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    auto motion = std::make_unique<PointerMotion>(clock, scheduler);
    motion->pointerMoved();
    motion.reset();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(2);
}

} // namespace
