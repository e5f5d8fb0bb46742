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

// The service is asked to say when it answers again only while nothing was heard of it since a
// call found it out of reach: its answer to that question, heard, asks no second one.
TEST(StoreReach, AStoreAwayIsSilentUntilAnythingIsHeardOfTheServiceAgain) {
    StoreReach reach;
    EXPECT_FALSE(reach.isAwayAndSilent());
    reach.note(false);
    EXPECT_TRUE(reach.isAwayAndSilent());
    reach.mayAnswerOtherwise();
    EXPECT_TRUE(reach.isAway()) << "until a call is answered";
    EXPECT_FALSE(reach.isAwayAndSilent());
    reach.note(false);
    EXPECT_TRUE(reach.isAwayAndSilent()) << "away again after what was heard";
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

    reach.mayAnswerOtherwise();
    EXPECT_EQ(again, 1);
    reach.mayAnswerOtherwise();
    EXPECT_EQ(again, 2) << "waiting again from a release waits for the next";
    EXPECT_EQ(cancelled, 0);
}
