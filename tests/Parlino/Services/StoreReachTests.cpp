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

// The service is asked to say when it answers again while a call found it out of reach, nothing
// has been heard of it since, and somebody waits: also one who began waiting before that call.
TEST(StoreReach, TheServiceIsAskedToSayWhenItAnswersOnlyWhileAwaySilentAndWaitedFor) {
    StoreReach reach;
    int asked = 0;
    reach.askWhenAway([&] { ++asked; });
    reach.note(false);
    EXPECT_EQ(asked, 0) << "nobody waits";
    reach.wait([] {}, {});
    EXPECT_EQ(asked, 1);

    reach.mayAnswerOtherwise();
    reach.wait([] {}, {});
    EXPECT_EQ(asked, 1) << "heard of since";
    reach.note(false);
    EXPECT_EQ(asked, 2) << "the waiter from before the call that found it away";
}
