#include "Parlino/Style/TwoPressArming.h"

#include "Parlino/Style/NameAnnouncement.h"

#include "support/ManualTime.h"

#include <QAccessible>
#include <QPushButton>
#include <QSignalSpy>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using Parlino::TwoPressArming;

struct TwoPressArmingTest : ::testing::Test {
    // Presses at the given time; counts the presses that confirm.
    void pressAt(double seconds) {
        scheduler.advance(seconds - clock.now());
        if (arming.press())
            ++commands;
    }

    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    TwoPressArming arming{scheduler};
    QSignalSpy changes{&arming, &TwoPressArming::isArmedChanged};
    int commands = 0;
};

TEST_F(TwoPressArmingTest, TwoPressesWithinTheWindowRunTheCommandOnce) {
    pressAt(0);
    EXPECT_TRUE(arming.isArmed());
    EXPECT_EQ(commands, 0);
    pressAt(1);
    EXPECT_FALSE(arming.isArmed());
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(arming.armToken(), 2);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    scheduler.advance(5);
    EXPECT_EQ(changes.count(), 2);
}

TEST_F(TwoPressArmingTest, AnIdleArmingFallsBackAfterTwoAndAHalfSecondsAndThePressAfterArmsAgain) {
    pressAt(0);
    scheduler.advance(2.499);
    EXPECT_TRUE(arming.isArmed());
    scheduler.advance(0.001);
    EXPECT_FALSE(arming.isArmed());
    EXPECT_EQ(arming.armToken(), 1);
    pressAt(3);
    EXPECT_TRUE(arming.isArmed());
    EXPECT_EQ(commands, 0);
}

TEST_F(TwoPressArmingTest, AnOutdatedTimerLeavesALaterArmingAlone) {
    pressAt(0);
    pressAt(2); // confirms
    pressAt(3); // arms again; the first window would have closed at 2.5 s
    scheduler.advance(1.7);
    EXPECT_TRUE(arming.isArmed());
    pressAt(4.8);
    EXPECT_EQ(commands, 2);
    EXPECT_FALSE(arming.isArmed());
}

TEST_F(TwoPressArmingTest, DisarmingKeepsTheTokenCancelsTheTimerAndTheNextPressArms) {
    pressAt(0);
    arming.disarm();
    EXPECT_FALSE(arming.isArmed());
    EXPECT_EQ(arming.armToken(), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    pressAt(2);
    EXPECT_TRUE(arming.isArmed());
    EXPECT_EQ(commands, 0);
    // The new window runs from the new press, not from the first one.
    scheduler.advance(2.4);
    EXPECT_TRUE(arming.isArmed());
    scheduler.advance(0.1);
    EXPECT_FALSE(arming.isArmed());
}

// The name says what the next press does, and arming announces it: a screen reader hears that
// the button is armed, not only the look changing.
TEST_F(TwoPressArmingTest, TheControlIsNamedByItsNextPressAndItsArmingIsAnnounced) {
    QStringList announced;
    Parlino::setNameAnnouncer([&](QWidget&, const QString& name) { announced << name; });
    QWidget button;
    Parlino::nameByNextPress(button, arming, QStringLiteral("Delete"),
                             QStringLiteral("Press again to delete"));
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Delete"));

    pressAt(0);
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Press again to delete"));
    scheduler.advance(3);
    EXPECT_EQ(button.accessibleName(), QStringLiteral("Delete"));
    pressAt(4);
    pressAt(5);
    EXPECT_EQ(commands, 1);
    EXPECT_EQ(announced, QStringList(2, QStringLiteral("Press again to delete")))
        << "each arming, and nothing as it falls back or confirms";
    Parlino::setNameAnnouncer({});
}

// A button whose label changes (the cache's size) keeps being named by its label while unarmed.
TEST_F(TwoPressArmingTest, AnUnarmedButtonWithoutANameOfItsOwnIsNamedByItsChangingLabel) {
    QPushButton button(QStringLiteral("Clear cached audio (1 MB)"));
    Parlino::nameByNextPress(button, arming, {}, QStringLiteral("Press again to clear"));
    const auto name = [&] {
        return QAccessible::queryAccessibleInterface(&button)->text(QAccessible::Name);
    };
    button.setText(QStringLiteral("Clear cached audio (2 MB)"));
    EXPECT_EQ(name(), QStringLiteral("Clear cached audio (2 MB)"));
    pressAt(0);
    EXPECT_EQ(name(), QStringLiteral("Press again to clear"));
    scheduler.advance(3);
    button.setText(QStringLiteral("Cached audio is empty"));
    EXPECT_EQ(name(), QStringLiteral("Cached audio is empty"));
}

} // namespace
