#include "Base/Sleeper.h"

#include <gtest/gtest.h>

#include <thread>

TEST(SteadySleeper, ReturnsAtOnceWhenStopIsAlreadyRequested) {
    std::stop_source stop;
    stop.request_stop();
    EXPECT_FALSE(Base::SteadySleeper::shared().sleep(3600, stop.get_token()));
    EXPECT_TRUE(Base::SteadySleeper::shared().sleep(0, std::stop_token()));
}

TEST(SteadySleeper, StopFromAnotherThreadEndsALongSleep) {
    std::jthread sleeper([](std::stop_token stop) {
        EXPECT_FALSE(Base::SteadySleeper::shared().sleep(3600, stop));
    });
    sleeper.request_stop(); // the join below returns only because the sleep woke up
}
