#include "Parlino/Settings/ShortcutsPaneModel.h"

#include "Parlino/Services/AppShortcutNames.h"

#include "PaneTesting.h"
#include "support/EventLoop.h"
#include "support/FakeKeyboardLayout.h"

using namespace Parlino;
using KeyboardShortcuts::Shortcut;
namespace Names = AppShortcutNames;

namespace {

const Shortcut controlShiftS(1, KeyboardShortcuts::CarbonModifier::control |
                                    KeyboardShortcuts::CarbonModifier::shift);
const Shortcut commandR(15, KeyboardShortcuts::CarbonModifier::command);

struct ShortcutsPaneModelTest : PaneTesting::PaneTest {
    void write(const Defaults::Key<bool>& key, bool value) {
        Defaults::set(key, value);
        TestSupport::drainEvents();
    }
    void writeTapModifier(const QString& raw) {
        Defaults::set(keys.tapModifier, raw);
        TestSupport::drainEvents();
    }
    void clearAllShortcuts() {
        for (const auto& name : Names::all())
            KeyboardShortcuts::setShortcut(std::nullopt, name);
    }
};

TEST_F(ShortcutsPaneModelTest, TapKeyNameAndTextsFollowTheStoredKeyAndFallBackToRightCommand) {
    ShortcutsPaneModel model(keys, registry);
    EXPECT_EQ(model.tapKeyName(), QStringLiteral("Right Super"));
    EXPECT_EQ(model.readingDescription(),
              QStringLiteral("Right Super reads whatever text you've selected. Press it again to "
                             "pause, and again to carry on."));

    int changes = 0;
    QObject::connect(&model, &ShortcutsPaneModel::changed, [&] { ++changes; });
    writeTapModifier(QStringLiteral("rightOption"));
    EXPECT_GE(changes, 1);
    EXPECT_EQ(model.tapModifier(), TapModifier::rightOption);
    EXPECT_EQ(model.doubleTapTitle(), QStringLiteral("Double-tap Right Alt"));
    EXPECT_TRUE(model.readingDescription().startsWith(QStringLiteral("Right Alt reads")));

    writeTapModifier(QStringLiteral("RightOption"));
    EXPECT_EQ(model.tapModifier(), TapModifier::rightCommand);
    EXPECT_EQ(model.doubleTapTitle(), QStringLiteral("Double-tap Right Super"));

    model.chooseTapModifier(TapModifier::rightOption);
    EXPECT_EQ(Defaults::get(keys.tapModifier), QStringLiteral("rightOption"));
}

TEST_F(ShortcutsPaneModelTest, WarnsWhileNeitherTheTapNorTheReadShortcutCanStartARead) {
    clearAllShortcuts();
    ShortcutsPaneModel model(keys, registry);
    EXPECT_FALSE(model.isReadShortcutSet());
    EXPECT_FALSE(model.showsNothingCanStartWarning());

    write(keys.rightCommandTapEnabled, false);
    EXPECT_TRUE(model.showsNothingCanStartWarning());

    model.readShortcutChanged(controlShiftS);
    EXPECT_FALSE(model.showsNothingCanStartWarning());
    model.readShortcutChanged(std::nullopt);
    EXPECT_TRUE(model.showsNothingCanStartWarning());

    write(keys.rightCommandTapEnabled, true);
    EXPECT_FALSE(model.showsNothingCanStartWarning());
}

TEST_F(ShortcutsPaneModelTest, ReadShortcutSetElsewhereLeavesThisPanesSnapshotAlone) {
    clearAllShortcuts();
    ShortcutsPaneModel model(keys, registry);
    KeyboardShortcuts::setShortcut(controlShiftS, Names::readSelection());
    EXPECT_FALSE(model.isReadShortcutSet());
    EXPECT_TRUE(ShortcutsPaneModel(keys, registry).isReadShortcutSet());
}

TEST_F(ShortcutsPaneModelTest, DuplicateCheckRefusesAnotherShortcutsCombinationNamingIt) {
    clearAllShortcuts();
    KeyboardShortcuts::setShortcut(controlShiftS, Names::readSelection());
    KeyboardShortcuts::setShortcut(commandR, Names::replayLast());

    const auto refused = ShortcutsPaneModel::duplicateCheck(controlShiftS, Names::openPanel());
    EXPECT_FALSE(refused.isAllowed());
    EXPECT_EQ(refused.reason(),
              QStringLiteral("This combination is already used by “Read selection”."));
    EXPECT_EQ(ShortcutsPaneModel::duplicateCheck(commandR, Names::readSelection()).reason(),
              QStringLiteral("This combination is already used by “Replay last recording”."));

    // Its own combination, and one no shortcut uses (openPanel has none), are allowed.
    EXPECT_TRUE(
        ShortcutsPaneModel::duplicateCheck(controlShiftS, Names::readSelection()).isAllowed());
    EXPECT_TRUE(ShortcutsPaneModel::duplicateCheck(
                    Shortcut(2, KeyboardShortcuts::CarbonModifier::option), Names::replayLast())
                    .isAllowed());
    // The same key with other modifiers is another combination.
    EXPECT_TRUE(ShortcutsPaneModel::duplicateCheck(
                    Shortcut(1, KeyboardShortcuts::CarbonModifier::control), Names::openPanel())
                    .isAllowed());
}

TEST_F(ShortcutsPaneModelTest, ANoteNamesTheCombinationAnotherApplicationHoldsWhileItHoldsIt) {
    TestSupport::KeyboardLayoutScope layout{TestSupport::FakeKeyboardLayout::us()};
    clearAllShortcuts();
    hotKeys.heldElsewhere.insert(controlShiftS);
    registry.onKeyDown(Names::readSelection(), [] {});
    registry.onKeyDown(Names::openPanel(), [] {});
    ShortcutsPaneModel model(keys, registry);
    int changes = 0;
    QObject::connect(&model, &ShortcutsPaneModel::changed, [&] { ++changes; });

    KeyboardShortcuts::setShortcut(controlShiftS, Names::readSelection());
    EXPECT_EQ(model.refusalNote(Names::readSelection()),
              QStringLiteral("Another application already uses Ctrl+Shift+S, so this shortcut "
                             "does nothing. Record a different one."));
    EXPECT_EQ(model.refusalNote(Names::openPanel()), std::nullopt);
    EXPECT_EQ(changes, 1);

    // The other application lets go, and takes it again.
    hotKeys.giveBack(controlShiftS);
    EXPECT_EQ(model.refusalNote(Names::readSelection()), std::nullopt);
    hotKeys.take(controlShiftS);
    EXPECT_NE(model.refusalNote(Names::readSelection()), std::nullopt);
    EXPECT_EQ(changes, 3);

    KeyboardShortcuts::setShortcut(commandR, Names::openPanel());
    EXPECT_EQ(changes, 3) << "a shortcut that registers changes no note";
    KeyboardShortcuts::setShortcut(Shortcut(2, KeyboardShortcuts::CarbonModifier::option),
                                   Names::readSelection());
    EXPECT_EQ(model.refusalNote(Names::readSelection()), std::nullopt);
    EXPECT_EQ(changes, 4);
}

TEST_F(ShortcutsPaneModelTest, ResetRestoresTheShortcutsTheTapAndTheDoubleTap) {
    clearAllShortcuts();
    KeyboardShortcuts::setShortcut(commandR, Names::openPanel());
    KeyboardShortcuts::setShortcut(controlShiftS, Names::replayLast());
    write(keys.rightCommandTapEnabled, false);
    write(keys.rightCommandDoubleTapReplayEnabled, false);
    writeTapModifier(QStringLiteral("rightOption"));
    ShortcutsPaneModel model(keys, registry);
    ASSERT_TRUE(model.showsNothingCanStartWarning());

    model.resetToDefaults();
    TestSupport::KeyboardLayoutScope layout{TestSupport::FakeKeyboardLayout::us()};
    EXPECT_EQ(KeyboardShortcuts::getShortcut(Names::readSelection())->description(),
              QStringLiteral("Ctrl+Alt+Shift+O"))
        << "Ctrl+Shift+S is Save As everywhere";
    EXPECT_EQ(KeyboardShortcuts::getShortcut(Names::openPanel()), std::nullopt);
    EXPECT_EQ(KeyboardShortcuts::getShortcut(Names::replayLast()), std::nullopt);
    EXPECT_TRUE(Defaults::get(keys.rightCommandTapEnabled));
    EXPECT_TRUE(Defaults::get(keys.rightCommandDoubleTapReplayEnabled));
    EXPECT_EQ(model.tapModifier(), TapModifier::rightCommand);
    EXPECT_TRUE(model.isReadShortcutSet());
    EXPECT_FALSE(model.showsNothingCanStartWarning());
}

} // namespace
