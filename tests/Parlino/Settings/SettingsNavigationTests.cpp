#include "Parlino/Settings/SettingsSidebarModel.h"

#include "support/ManualTime.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace Parlino;

namespace {

TEST(SettingsPaneTest, EveryRawValueParsesBackAndNothingElseParses) {
    ASSERT_EQ(allSettingsPanes.size(), 8u);
    EXPECT_EQ(allSettingsPanes.back(), SettingsPane::quit);
    for (const SettingsPane pane : allSettingsPanes)
        EXPECT_EQ(settingsPane(rawValue(pane)), pane) << rawValue(pane).toStdString();
    EXPECT_EQ(settingsPane(QStringLiteral("apiKey")), SettingsPane::apiKey);
    for (const auto* text : {"API Key", "apikey", "APIKEY", "", " apiKey", "apiKey "})
        EXPECT_EQ(settingsPane(QString::fromUtf8(text)), std::nullopt) << text;
    EXPECT_EQ(title(SettingsPane::apiKey), QStringLiteral("API Key"));
    EXPECT_EQ(qHash(SettingsPane::usage, 7), qHash(QStringLiteral("usage"), 7));
}

TEST(SettingsNavigationTest, NotifiesOnlyWhenTheSelectionChanges) {
    SettingsNavigation navigation;
    QSignalSpy changes(&navigation, &SettingsNavigation::selectionChanged);
    EXPECT_EQ(navigation.selection(), SettingsPane::general);
    navigation.resetToGeneral();
    navigation.setSelection(SettingsPane::general);
    EXPECT_EQ(changes.count(), 0);
    navigation.setSelection(SettingsPane::usage);
    navigation.setSelection(SettingsPane::usage);
    EXPECT_EQ(changes.count(), 1);
    navigation.resetToGeneral();
    EXPECT_EQ(navigation.selection(), SettingsPane::general);
    EXPECT_EQ(changes.count(), 2);
}

struct SidebarTest : ::testing::Test {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    SettingsNavigation navigation;
    int terminations = 0;
    SettingsSidebarModel sidebar{navigation, scheduler, [this] { ++terminations; }};
    bool armed() const { return sidebar.quitArming().isArmed(); }
};

TEST_F(SidebarTest, TwoPressesOnQuitTerminateOnceAndNeverSelectQuit) {
    navigation.setSelection(SettingsPane::playback);
    QSignalSpy changes(&navigation, &SettingsNavigation::selectionChanged);
    sidebar.choose(SettingsPane::quit);
    EXPECT_TRUE(armed());
    EXPECT_EQ(terminations, 0);
    sidebar.choose(SettingsPane::quit);
    EXPECT_EQ(terminations, 1);
    EXPECT_FALSE(armed());
    EXPECT_EQ(navigation.selection(), SettingsPane::playback);
    EXPECT_EQ(changes.count(), 0);
}

TEST_F(SidebarTest, ArmingLapsesAfterTheDelaySoALatePressOnlyArmsAgain) {
    sidebar.choose(SettingsPane::quit);
    scheduler.advance(TwoPressArming::disarmDelay - 0.01);
    EXPECT_TRUE(armed());
    scheduler.advance(0.02);
    EXPECT_FALSE(armed());
    sidebar.choose(SettingsPane::quit);
    EXPECT_TRUE(armed());
    EXPECT_EQ(terminations, 0);
}

TEST_F(SidebarTest, ChoosingAnyOtherRowOrLeavingQuitDisarms) {
    sidebar.choose(SettingsPane::quit);
    sidebar.choose(SettingsPane::playback);
    EXPECT_FALSE(armed());
    EXPECT_EQ(navigation.selection(), SettingsPane::playback);

    // The row of the pane already shown still disarms, without notifying.
    QSignalSpy changes(&navigation, &SettingsNavigation::selectionChanged);
    sidebar.choose(SettingsPane::quit);
    sidebar.choose(SettingsPane::playback);
    EXPECT_FALSE(armed());
    EXPECT_EQ(changes.count(), 0);

    sidebar.choose(SettingsPane::quit);
    sidebar.hoverChanged(SettingsPane::usage, false);
    sidebar.hoverChanged(SettingsPane::quit, true);
    EXPECT_TRUE(armed());
    sidebar.hoverChanged(SettingsPane::quit, false);
    EXPECT_FALSE(armed());
    sidebar.choose(SettingsPane::quit);
    EXPECT_TRUE(armed()) << "coming back arms afresh";
    EXPECT_EQ(terminations, 0);
}

} // namespace
