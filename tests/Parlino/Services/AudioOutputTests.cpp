#include "Parlino/Services/AudioOutput.h"

#include "Parlino/Services/ServicesTesting.h"
#include "support/ManualTime.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Parlino::AudioOutput;

struct AudioOutputTest : ::testing::Test {
    AudioOutputTest() {
        output.addSink([this](float gain) { gains.push_back(gain); });
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    AudioOutput output{scheduler};
    std::vector<float> gains;
};

TEST_F(AudioOutputTest, StartsUnmutedAndAnUnchangedStateCallsNoSink) {
    ServicesTesting::SignalCount changes(&output, &AudioOutput::isMutedChanged);
    output.setMuted(false);
    scheduler.advance(1);
    EXPECT_FALSE(output.isMuted());
    EXPECT_TRUE(gains.empty());
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(AudioOutputTest, MutingRampsDownInFourStepsSevenAndAHalfMillisecondsApart) {
    ServicesTesting::SignalCount changes(&output, &AudioOutput::isMutedChanged);
    output.setMuted(true);
    EXPECT_TRUE(output.isMuted());
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(gains, (std::vector<float>{0.75f}));
    scheduler.advance(0.0074);
    EXPECT_EQ(gains.size(), 1u);
    scheduler.advance(0.0001);
    EXPECT_EQ(gains, (std::vector<float>{0.75f, 0.5f}));
    scheduler.advance(0.015);
    EXPECT_EQ(gains, (std::vector<float>{0.75f, 0.5f, 0.25f, 0.0f, 0.0f}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(AudioOutputTest, UnmutingRampsUpAndEndsOnExactlyOne) {
    output.setMuted(true);
    scheduler.advance(1);
    gains.clear();
    output.setMuted(false);
    scheduler.advance(1);
    EXPECT_EQ(gains, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f, 1.0f}));
}

TEST_F(AudioOutputTest, AChangeDuringARampStartsTheNewRampFromTheFullOldValue) {
    output.setMuted(true);
    scheduler.advance(0.003);
    gains.clear();
    output.setMuted(false);
    scheduler.advance(1);
    EXPECT_EQ(gains, (std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f, 1.0f}));
}

TEST_F(AudioOutputTest, EverySinkIsCalledInRegistrationOrder) {
    std::vector<int> order;
    output.addSink([&](float) { order.push_back(2); });
    output.addSink([&](float) { order.push_back(3); });
    output.setMuted(true);
    EXPECT_EQ(order, (std::vector<int>{2, 3}));
    EXPECT_EQ(output.sinks().size(), 3);
}

TEST_F(AudioOutputTest, AssigningTheFlagTouchesNoGain) {
    output.setIsMuted(true);
    scheduler.advance(1);
    EXPECT_TRUE(output.isMuted());
    EXPECT_TRUE(gains.empty());
}

TEST(AudioOutput, ARampOutlivedByItsOwnerStops) {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler(clock);
    int calls = 0;
    {
        AudioOutput output(scheduler);
        output.addSink([&](float) { ++calls; });
        output.setMuted(true);
    }
    scheduler.advance(1);
    EXPECT_EQ(calls, 1);
}

} // namespace
