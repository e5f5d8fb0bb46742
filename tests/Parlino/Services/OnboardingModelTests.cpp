#include "Parlino/Services/OnboardingModel.h"

#include "Parlino/Services/ServicesTesting.h"

#include <gtest/gtest.h>

using namespace Parlino;
using Reveals = QList<OnboardingReveal>;

namespace {

class OnboardingModelTest : public ::testing::Test {
protected:
    OnboardingModelTest() {
        model.onReveal = [this](OnboardingReveal reveal) { reveals.append(reveal); };
        model.onFinish = [this] { ++finishes; };
    }

    OnboardingModel model;
    Reveals reveals;
    int finishes = 0;
};

TEST_F(OnboardingModelTest, TheTutorialHasEightStepsWithTheKeyLinkAndOneSignature) {
    const auto& steps = OnboardingModel::steps();
    ASSERT_EQ(steps.size(), 8);
    ASSERT_TRUE(steps[1].link);
    EXPECT_EQ(steps[1].link->title, u"Grab one here ↗"_qs);
    EXPECT_EQ(steps[1].link->url.path(), QStringLiteral("/app/settings/api-keys"));
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(steps[i].link.has_value(), i == 1) << i;
        EXPECT_EQ(steps[i].signature.has_value(), i == 7) << i;
    }
}

TEST_F(OnboardingModelTest, TheStepsNameTheDesktopsKeysAndPlaces) {
    const auto& steps = OnboardingModel::steps();
    for (const auto& step : steps)
        for (const OnboardingHost host : {OnboardingHost::panel, OnboardingHost::settingsWindow})
            for (const char* foreign : {"Command", "Option", "F7", "F8", "F9", "notch", "menu bar",
                                        "Dock", "Finder", "System Settings", "Mac"})
                EXPECT_FALSE(step.bodyIn(host).contains(QLatin1String(foreign)))
                    << step.bodyIn(host).toStdString();
    EXPECT_TRUE(steps[3].body.contains(u"right Super key"_qs));
    EXPECT_TRUE(steps[4].body.contains(u"Play/Pause"_qs));
    EXPECT_TRUE(steps[6].body.contains(u"tray"_qs));
}

TEST_F(OnboardingModelTest, AdvancingRevealsEachStepsPartAndFinishesAfterTheLast) {
    for (int i = 0; i < 7; ++i)
        model.advance();
    EXPECT_EQ(model.index(), 7);
    using enum OnboardingReveal;
    EXPECT_EQ(reveals, (Reveals{apiKey, usage, shortcuts, voices, clips}));
    EXPECT_EQ(finishes, 0);

    model.advance();
    EXPECT_EQ(finishes, 1);
    EXPECT_EQ(model.index(), 7);
    EXPECT_EQ(reveals.size(), 5);
}

TEST_F(OnboardingModelTest, GoingBackStopsAtTheFirstStep) {
    model.back();
    EXPECT_EQ(model.index(), 0);
    EXPECT_TRUE(reveals.isEmpty());

    model.setIndex(2);
    model.back();
    EXPECT_EQ(model.index(), 1);
    EXPECT_EQ(reveals, Reveals{OnboardingReveal::apiKey});
}

TEST_F(OnboardingModelTest, RevealingClampsTheIndexIntoTheSteps) {
    model.setIndex(12);
    model.revealCurrent();
    model.setIndex(-3);
    model.revealCurrent();
    EXPECT_EQ(reveals, (Reveals{OnboardingReveal::clips, OnboardingReveal::resetPane}));
}

TEST_F(OnboardingModelTest, MovesWithoutCallbacksOnlyChangeTheIndex) {
    OnboardingModel bare;
    bare.advance();
    bare.setIndex(7);
    bare.advance();
    bare.back();
    EXPECT_EQ(bare.index(), 6);
}

TEST_F(OnboardingModelTest, OnlyAChangedIndexOrHostNotifies) {
    ServicesTesting::SignalCount changes(&model, &OnboardingModel::indexChanged);
    model.setIndex(0);
    EXPECT_EQ(changes.count(), 0);
    model.advance();
    model.setIndex(1);
    EXPECT_EQ(changes.count(), 1);

    ServicesTesting::SignalCount hostChanges(&model, &OnboardingModel::hostChanged);
    model.setHost(OnboardingHost::panel);
    EXPECT_EQ(hostChanges.count(), 0);
    model.setHost(OnboardingHost::settingsWindow);
    model.setHost(OnboardingHost::settingsWindow);
    EXPECT_EQ(hostChanges.count(), 1);
    EXPECT_EQ(model.host(), OnboardingHost::settingsWindow);
    EXPECT_EQ(reveals, Reveals{OnboardingReveal::apiKey}) << "its owner reveals, not the model";
}

TEST_F(OnboardingModelTest, ALinkWhoseAddressDoesNotParseIsDropped) {
    EXPECT_EQ(OnboardingLink::make(QStringLiteral("Bad"), QStringLiteral("http://exa mple.com/")),
              std::nullopt);
    EXPECT_EQ(OnboardingLink::make(QStringLiteral("Relative"), QStringLiteral("/app/settings")),
              std::nullopt);
    const auto good =
        OnboardingLink::make(QStringLiteral("Good"), QStringLiteral("https://example.com/a"));
    ASSERT_TRUE(good);
    EXPECT_EQ(good->url, QUrl(QStringLiteral("https://example.com/a")));
}

} // namespace
