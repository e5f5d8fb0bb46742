#include "KeyboardShortcuts/ShortcutRegistry.h"

#include "RegistryFixture.h"
#include "support/LogCapture.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace KeyboardShortcuts;

namespace {

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut commandR(Key::r, ModifierFlag::command);

class ShortcutRegistryTest : public TestSupport::RegistryTest {
protected:
    // Records "<tag> down" and "<tag> up" for the name's events.
    void listen(const Name& name, const QString& tag) {
        registry.onKeyDown(name, [this, tag] { calls << tag + " down"; });
        registry.onKeyUp(name, [this, tag] { calls << tag + " up"; });
    }
    void tap(const Shortcut& shortcut) {
        system.press(shortcut);
        system.release(shortcut);
    }

    Name readSelection{QStringLiteral("readSelection"), controlShiftS};
    Name openPanel{QStringLiteral("openPanel")};
    QStringList calls;
};

} // namespace

TEST_F(ShortcutRegistryTest, ANamesActionsRunOnThePressAndReleaseOfItsStoredShortcut) {
    listen(readSelection, "read");
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
    EXPECT_TRUE(registry.isActive(readSelection));

    tap(controlShiftS);
    EXPECT_EQ(calls, QStringList({"read down", "read up"}));
}

TEST_F(ShortcutRegistryTest, AStoredShortcutWithoutActionsRegistersNothingUntilTheFirstAction) {
    setShortcut(commandR, openPanel);
    EXPECT_TRUE(system.registered().isEmpty());

    listen(openPanel, "open");
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});
}

TEST_F(ShortcutRegistryTest, AnActionAttachedBeforeAShortcutIsStoredFiresOnceOneIs) {
    listen(openPanel, "open");
    EXPECT_TRUE(system.registered().isEmpty());
    EXPECT_FALSE(registry.isActive(openPanel));

    setShortcut(commandR, openPanel);
    tap(commandR);
    EXPECT_EQ(calls, QStringList({"open down", "open up"}));
}

TEST_F(ShortcutRegistryTest, ChangingAShortcutMovesTheHotKey) {
    listen(readSelection, "read");
    setShortcut(commandR, readSelection);
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});

    tap(controlShiftS);
    tap(commandR);
    EXPECT_EQ(calls, QStringList({"read down", "read up"}));
}

TEST_F(ShortcutRegistryTest, NamesSharingAShortcutShareOneHotKey) {
    setShortcut(controlShiftS, openPanel);
    listen(readSelection, "read");
    listen(openPanel, "open");
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});

    system.press(controlShiftS);
    calls.sort();
    EXPECT_EQ(calls, QStringList({"open down", "read down"}));

    setShortcut(std::nullopt, readSelection);
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
    setShortcut(std::nullopt, openPanel);
    EXPECT_TRUE(system.registered().isEmpty());
}

TEST_F(ShortcutRegistryTest, TheSameActionAttachedTwiceRunsTwice) {
    const auto action = [this] { calls << "read"; };
    registry.onKeyUp(readSelection, action);
    registry.onKeyUp(readSelection, action);
    tap(controlShiftS);
    EXPECT_EQ(calls, QStringList({"read", "read"}));
}

TEST_F(ShortcutRegistryTest, ADisabledNameRunsNothingEvenWhenAnotherNameKeepsTheHotKey) {
    setShortcut(controlShiftS, openPanel);
    listen(readSelection, "read");
    listen(openPanel, "open");

    registry.disable({readSelection});
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
    EXPECT_FALSE(registry.isActive(readSelection));
    tap(controlShiftS);
    EXPECT_EQ(calls, QStringList({"open down", "open up"}));

    registry.disable({openPanel});
    EXPECT_TRUE(system.registered().isEmpty());
    registry.enable({readSelection, openPanel});
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
}

TEST_F(ShortcutRegistryTest, NothingRunsWhilePaused) {
    listen(readSelection, "read");
    registry.setPaused(true);
    tap(controlShiftS);
    EXPECT_TRUE(calls.isEmpty());

    registry.setPaused(false);
    tap(controlShiftS);
    EXPECT_EQ(calls, QStringList({"read down", "read up"}));
}

TEST_F(ShortcutRegistryTest, ARefusedCombinationIsLoggedAndLeavesTheNameInactive) {
    TestSupport::LogCapture log;
    int refusalChanges = 0;
    QObject::connect(&registry, &ShortcutRegistry::refusalsChanged, [&] { ++refusalChanges; });
    system.refused.insert(controlShiftS);
    EXPECT_FALSE(registry.isRefused(readSelection)) << "nothing listens yet";
    listen(readSelection, "read");

    EXPECT_FALSE(registry.isActive(readSelection));
    EXPECT_TRUE(registry.isRefused(readSelection));
    EXPECT_FALSE(registry.isRefused(openPanel));
    EXPECT_EQ(refusalChanges, 1);
    EXPECT_FALSE(registry.hasHotKey(controlShiftS));
    const QStringList lines = log.messages(QStringLiteral("shortcuts"));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].contains(controlShiftS.description()));
    EXPECT_TRUE(lines[0].contains(QStringLiteral("readSelection")));

    registry.registerIfNeeded(readSelection);
    EXPECT_EQ(log.messages(QStringLiteral("shortcuts")).size(), 1) << "refused again, not logged";
    EXPECT_EQ(refusalChanges, 1);

    system.refused.clear();
    registry.registerIfNeeded(readSelection);
    EXPECT_TRUE(registry.isActive(readSelection));
    EXPECT_FALSE(registry.isRefused(readSelection));
    EXPECT_EQ(refusalChanges, 2);
}

// Taken at registration, or later while it was held: refused until the desktop gives it back,
// which the registry hears of by itself.
TEST_F(ShortcutRegistryTest, ACombinationAnotherApplicationTakesIsRefusedUntilItIsGivenBack) {
    TestSupport::LogCapture log;
    int refusalChanges = 0;
    QObject::connect(&registry, &ShortcutRegistry::refusalsChanged, [&] { ++refusalChanges; });
    system.heldElsewhere.insert(controlShiftS);
    listen(readSelection, "read");
    EXPECT_FALSE(registry.isActive(readSelection));
    EXPECT_TRUE(registry.isRefused(readSelection));
    EXPECT_EQ(refusalChanges, 1);
    tap(controlShiftS);
    EXPECT_TRUE(calls.isEmpty());

    system.giveBack(controlShiftS);
    EXPECT_TRUE(registry.isActive(readSelection));
    EXPECT_FALSE(registry.isRefused(readSelection));
    EXPECT_EQ(refusalChanges, 2);
    tap(controlShiftS);
    EXPECT_EQ(calls, QStringList({"read down", "read up"}));

    system.take(controlShiftS);
    EXPECT_TRUE(registry.isRefused(readSelection));
    registry.center().setMenuOpen(true);
    registry.center().setMenuOpen(false);
    EXPECT_TRUE(registry.isRefused(readSelection)) << "still taken after registering again";
    EXPECT_EQ(refusalChanges, 3);
    system.giveBack(controlShiftS);
    EXPECT_TRUE(registry.isActive(readSelection));
    EXPECT_EQ(log.messages(QStringLiteral("shortcuts")).size(), 4) << "each change logged once";
}

TEST_F(ShortcutRegistryTest, RemovingANamesHandlersReleasesItsHotKey) {
    listen(readSelection, "read");
    listen(openPanel, "open");
    setShortcut(commandR, openPanel);

    registry.removeHandler(readSelection);
    EXPECT_EQ(system.registered(), QList<Shortcut>{commandR});
    registry.removeAllHandlers();
    EXPECT_TRUE(system.registered().isEmpty());
    tap(commandR);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(ShortcutRegistryTest, TheModuleSwitchTakesEveryHotKeyOffTheDesktop) {
    listen(readSelection, "read");
    registry.setEnabled(true);
    EXPECT_EQ(registry.center().mode(), HotKeyCenter::Mode::normal);

    registry.setEnabled(false);
    EXPECT_TRUE(system.registered().isEmpty());
    EXPECT_FALSE(registry.isActive(readSelection));
    registry.setEnabled(true);
    EXPECT_EQ(system.registered(), QList<Shortcut>{controlShiftS});
}

TEST_F(ShortcutRegistryTest, AnActionMayClearItsOwnShortcut) {
    registry.onKeyDown(readSelection, [this] { setShortcut(std::nullopt, readSelection); });
    listen(readSelection, "read");

    tap(controlShiftS);
    EXPECT_EQ(calls, QStringList{"read down"}) << "the release has no hot key any more";
    EXPECT_TRUE(system.registered().isEmpty());
}
