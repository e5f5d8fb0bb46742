#include "Parlino/Services/WarningModel.h"

#include "Parlino/Services/ServicesTesting.h"

#include <gtest/gtest.h>

namespace {

using Parlino::ActiveWarning;
using Parlino::KeyPresence;
using Parlino::WarningModel;

struct WarningModelTest : ::testing::Test {
    ActiveWarning withQuota(qint64 characters) {
        model.setKeyPresence(KeyPresence::present);
        model.setCharactersRemaining(characters);
        model.recompute();
        return model.current();
    }

    WarningModel model;
};

TEST_F(WarningModelTest, UsageIsLowFromFiveHundredCharactersDownAndNeverNegative) {
    EXPECT_EQ(withQuota(501), ActiveWarning::none());
    EXPECT_EQ(withQuota(500), ActiveWarning::usageLow(500));
    EXPECT_EQ(withQuota(-20), ActiveWarning::usageLow(0));
}

TEST_F(WarningModelTest, AMissingKeyWarnsUnlessTheNetworkFailed) {
    model.setKeyPresence(KeyPresence::absent);
    EXPECT_EQ(model.current(), ActiveWarning::noKey());
    model.setNetworkFailed(true);
    model.recompute();
    EXPECT_EQ(model.current(), ActiveWarning::none());
    model.setKeyPresence(KeyPresence::absent);
    EXPECT_FALSE(model.networkFailed());
    EXPECT_EQ(model.current(), ActiveWarning::noKey());
}

TEST_F(WarningModelTest, ALockedOrUnreadableKeyShowsNothing) {
    model.setKeyPresence(KeyPresence::locked);
    EXPECT_EQ(model.current(), ActiveWarning::none());
    model.setKeyPresence(KeyPresence::absent);
    model.setKeyPresence(KeyPresence::unknown);
    EXPECT_EQ(model.current(), ActiveWarning::none());
}

TEST_F(WarningModelTest, ADismissedWarningStaysHiddenWhateverTheInputs) {
    model.setKeyPresence(KeyPresence::absent);
    model.setDismissedThisSession(true);
    model.recompute();
    EXPECT_EQ(model.current(), ActiveWarning::none());
    EXPECT_EQ(withQuota(10), ActiveWarning::none());
}

TEST_F(WarningModelTest, SettingThePresenceForgetsTheQuota) {
    EXPECT_EQ(withQuota(100), ActiveWarning::usageLow(100));
    model.setKeyPresence(KeyPresence::present);
    EXPECT_EQ(model.charactersRemaining(), std::nullopt);
    EXPECT_EQ(model.current(), ActiveWarning::none());
}

TEST_F(WarningModelTest, SettersNotifyOnlyOnAChangeAndLeaveTheWarningToRecompute) {
    ServicesTesting::SignalCount current(&model, &WarningModel::currentChanged);
    ServicesTesting::SignalCount quota(&model, &WarningModel::charactersRemainingChanged);
    model.setKeyPresence(KeyPresence::present);
    model.setCharactersRemaining(3);
    model.setCharactersRemaining(3);
    EXPECT_EQ(quota.count(), 1);
    EXPECT_EQ(model.current(), ActiveWarning::none());
    model.recompute();
    model.recompute();
    EXPECT_EQ(current.count(), 1);
    EXPECT_EQ(model.current(), ActiveWarning::usageLow(3));
}

} // namespace
