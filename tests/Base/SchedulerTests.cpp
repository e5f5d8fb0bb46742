#include "Base/Scheduler.h"
#include "support/EventLoop.h"
#include "support/ManualTime.h"

#include <gtest/gtest.h>

#include <limits>

TEST(QtScheduler, RunsWorkOnTheMainThreadUnlessCancelled) {
    auto& scheduler = Base::QtScheduler::shared();
    bool ran = false;
    bool cancelledRan = false;
    auto task = scheduler.after(0.0, [&] { ran = true; });
    {
        auto dropped = scheduler.after(0.0, [&] { cancelledRan = true; });
    }
    auto cancelled =
        scheduler.after(std::numeric_limits<double>::quiet_NaN(), [&] { cancelledRan = true; });
    EXPECT_TRUE(cancelled.isPending());
    cancelled.cancel();
    EXPECT_FALSE(cancelled.isPending());
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return ran; }));
    TestSupport::drainEvents();
    EXPECT_FALSE(cancelledRan);
    EXPECT_FALSE(task.isPending()); // fired, as with the manual scheduler
}

TEST(ScheduledTask, ReassigningCancelsThePreviousTimer) {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler(clock);
    int first = 0;
    int second = 0;
    Base::ScheduledTask task = scheduler.after(1.0, [&] { ++first; });
    task = scheduler.after(2.0, [&] { ++second; });
    scheduler.advance(5.0);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(second, 1);
    EXPECT_FALSE(task.isPending());
}
