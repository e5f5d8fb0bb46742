#include "Parlino/Services/StoreReach.h"

#include <gtest/gtest.h>

using Parlino::StoreReach;

TEST(StoreReach, TheFirstAnswerAfterAnOutcomeOutOfReachReleasesEachWaiterOnce) {
    StoreReach reach;
    int released = 0;
    reach.wait([&] { ++released; }, {});
    reach.note(true);
    EXPECT_EQ(released, 0) << "a store that was never away has not come back";

    reach.note(false);
    reach.note(false);
    EXPECT_TRUE(reach.isAway());
    EXPECT_EQ(released, 0);
    reach.note(true);
    EXPECT_FALSE(reach.isAway());
    EXPECT_EQ(released, 1);
    reach.note(false);
    reach.note(true);
    EXPECT_EQ(released, 1) << "released once";
}

TEST(StoreReach, TheServiceComingBackReleasesWaitersThatMayWaitAgainButNotCancelledOnes) {
    StoreReach reach;
    std::stop_source gone;
    int cancelled = 0;
    int again = 0;
    reach.wait([&] { ++cancelled; }, gone.get_token());
    gone.request_stop();
    std::function<void()> waitAgain = [&] {
        ++again;
        reach.wait(waitAgain, {});
    };
    reach.wait(waitAgain, {});

    reach.serviceReturned();
    EXPECT_EQ(again, 1);
    reach.serviceReturned();
    EXPECT_EQ(again, 2) << "waiting again from a release waits for the next";
    EXPECT_EQ(cancelled, 0);
}
