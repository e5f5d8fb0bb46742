#include "Parlino/Services/VoicesModel.h"

#include "Parlino/Services/ServicesTesting.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <deque>

using namespace Parlino;
using Core::TTSError;
using FetchState = VoicesModel::FetchState;
using FailureKind = VoicesModel::FailureKind;

namespace {

TTS::Voice voice(const QString& id, std::optional<QString> safetyControl = std::nullopt) {
    return {id, id, QStringLiteral("premade"), std::move(safetyControl), std::nullopt};
}

// A model whose fetches wait until the test answers them, oldest first.
class VoicesModelTest : public ::testing::Test {
protected:
    void answer(VoicesModel::FetchResult result) {
        auto completion = std::move(waiting.front());
        waiting.pop_front();
        completion(std::move(result));
    }

    bool hasKey = true;
    std::deque<std::function<void(VoicesModel::FetchResult)>> waiting;
    VoicesModel model{[this] { return hasKey; },
                      [this](auto completion) { waiting.push_back(std::move(completion)); }};
    const QList<TTS::Voice> voices{voice(QStringLiteral("a")),
                                   voice(QStringLiteral("b"), QStringLiteral("CAPTCHA")),
                                   voice(QStringLiteral("c"), QStringLiteral("captcha"))};
};

TEST_F(VoicesModelTest, RefreshLoadsTheListAndMarksVoicesOnHold) {
    ServicesTesting::SignalCount stateChanges(&model, &VoicesModel::stateChanged);
    model.refresh();
    EXPECT_EQ(model.state(), FetchState::loading());
    EXPECT_EQ(model.fetchGeneration(), 1);
    answer(voices);
    EXPECT_EQ(model.state(), FetchState::loaded(voices));
    EXPECT_EQ(model.onHoldVoiceIDs(), QSet<QString>{QStringLiteral("b")});
    EXPECT_EQ(stateChanges.count(), 2);

    model.refresh();
    EXPECT_TRUE(model.onHoldVoiceIDs().isEmpty());
    answer(Base::failure(TTSError::network(QStringLiteral("offline"))));
    EXPECT_TRUE(model.onHoldVoiceIDs().isEmpty());
}

TEST_F(VoicesModelTest, WithoutAKeyNothingIsRequestedAndRefreshesInFlightGoStale) {
    model.refresh();
    hasKey = false;
    model.refresh();
    EXPECT_EQ(waiting.size(), 1u);
    EXPECT_EQ(model.state(), FetchState::failed(FailureKind::noKey));
    answer(voices);
    EXPECT_EQ(model.state(), FetchState::failed(FailureKind::noKey));
    EXPECT_EQ(model.fetchGeneration(), 2);
}

TEST_F(VoicesModelTest, OnlyTheLatestRefreshSetsTheState) {
    model.refresh();
    model.refresh();
    answer(Base::failure(TTSError::unauthorized()));
    EXPECT_EQ(model.state(), FetchState::loading());
    answer(voices);
    EXPECT_EQ(model.state(), FetchState::loaded(voices));
}

TEST_F(VoicesModelTest, FailuresAreClassifiedByTheServiceError) {
    const std::vector<std::pair<TTSError, FailureKind>> cases{
        {TTSError::network(QStringLiteral("lost")), FailureKind::network},
        {TTSError::insufficientPermissions(), FailureKind::permission},
        {TTSError::unauthorized(), FailureKind::other},
        {TTSError::providerFault(500, QStringLiteral("boom")), FailureKind::other},
        {TTSError::accountInProbation(), FailureKind::other},
    };
    for (const auto& [error, kind] : cases) {
        model.refresh();
        answer(Base::failure(error));
        EXPECT_EQ(model.state(), FetchState::failed(kind)) << error.kindName().toStdString();
    }
}

TEST_F(VoicesModelTest, CancelledRefreshPutsASettledStateBackAndOtherwiseEndsIdle) {
    std::stop_source first;
    model.refresh(first.get_token());
    first.request_stop();
    answer(voices);
    EXPECT_EQ(model.state(), FetchState::idle());

    model.refresh();
    answer(voices);
    std::stop_source second;
    model.refresh(second.get_token());
    second.request_stop();
    answer(Base::failure(TTSError::unauthorized()));
    EXPECT_EQ(model.state(), FetchState::loaded(voices));
}

TEST(VoicesModelLists, RecentListIsNewestFirstWithoutDuplicatesAndAtMostSix) {
    const QStringList six{"a", "b", "c", "d", "e", "f"};
    EXPECT_EQ(VoicesModel::insertingRecent("b", six), QStringList({"b", "a", "c", "d", "e", "f"}));
    EXPECT_EQ(VoicesModel::insertingRecent("g", six), QStringList({"g", "a", "b", "c", "d", "e"}));
    EXPECT_EQ(VoicesModel::insertingRecent("a", {"x", "a", "y", "a"}),
              QStringList({"a", "x", "y"}));
    EXPECT_EQ(VoicesModel::removingVoice("a", {"a", "b", "a", "c"}), QStringList({"b", "c"}));
}

TEST(VoicesModelLists, RevertTargetSkipsTheCurrentVoiceAndVoicesOnHold) {
    EXPECT_EQ(VoicesModel::revertTarget("a", {"a", "b", "c"}, {"b"}, "fallback"), "c");
    EXPECT_EQ(VoicesModel::revertTarget("a", {"a", "b"}, {"b"}, "fallback"), "fallback");
    EXPECT_EQ(VoicesModel::revertTarget("a", {}, {}, "fallback"), "fallback");
}

TEST(VoicesModelLists, SelectingAVoiceStoresItAndPutsItFirstAmongTheRecent) {
    ServicesTesting::TestSettings settings;
    Defaults::set(settings.keys.recentVoiceIDs, {"x", "y"});
    VoicesModel::selectVoice("y", settings.keys);
    EXPECT_EQ(Defaults::get(settings.keys.voiceID), "y");
    EXPECT_EQ(Defaults::get(settings.keys.recentVoiceIDs), QStringList({"y", "x"}));
}

} // namespace
