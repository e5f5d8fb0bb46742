#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/MenuItemShortcuts.h"
#include "KeyboardShortcuts/RecorderModel.h"
#include "KeyboardShortcuts/Utilities.h"

#include "RegistryFixture.h"
#include "support/FakeKeyboardLayout.h"
#include "support/Printers.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QSignalSpy>

using namespace KeyboardShortcuts;

namespace {

using Outcome = RecorderModel::KeyOutcome;

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut controlOptionK(Key::k, ModifierFlag::control | ModifierFlag::option);
const Shortcut commandR(Key::r, ModifierFlag::command);

// A key press as the desktop reports it.
Outcome press(RecorderModel& model, Key key, qint64 carbonModifiers = 0) {
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, 0,
                          quint32(key.rawValue), quint32(carbonModifiers));
    return model.handleKey(event);
}
Outcome press(RecorderModel& model, const Shortcut& shortcut) {
    return press(model, shortcut.key(), shortcut.carbonModifiers());
}

// A recorder model for `openPanel` that answers its alerts with `response` and keeps them.
class RecorderModelTest : public TestSupport::RegistryTest {
protected:
    RecorderModelTest() {
        model.presentAlert = [this](const Alert& alert) {
            shown.append(alert);
            return response;
        };
        statusObserver = Base::NotificationCenter::defaultCenter().addObserver(
            recorderActiveStatusDidChange, [this](const Base::Notification& notification) {
                statuses.append(recorderIsActive(notification));
            });
    }
    ~RecorderModelTest() override { setMainMenu(nullptr); }

    Outcome press(Key key, qint64 carbonModifiers = 0) {
        return ::press(model, key, carbonModifiers);
    }
    Outcome press(const Shortcut& shortcut) { return ::press(model, shortcut); }
    RecorderModel::OnChange reportInto() {
        return [this](const std::optional<Shortcut>& shortcut) { changes.append(shortcut); };
    }

    TestSupport::KeyboardLayoutScope layoutScope{TestSupport::FakeKeyboardLayout::us()};
    Name name{QStringLiteral("openPanel")};
    QList<std::optional<Shortcut>> changes;
    RecorderModel model{registry, name, reportInto()};
    QList<Alert> shown;
    int response = RecorderAlerts::firstButtonResponse;
    QMenu menu;
    QList<bool> statuses;
    Base::NotificationCenter::ObserverToken statusObserver;
};

TEST_F(RecorderModelTest, RecordingPausesTheRegistryAndIsAnnouncedOncePerStartAndEnd) {
    QSignalSpy recordingChanges(&model, &RecorderModel::isRecordingChanged);
    EXPECT_EQ(model.placeholderText(), localized(QStringLiteral("record_shortcut")));
    model.startRecording();
    model.startRecording();
    EXPECT_TRUE(model.isRecording());
    EXPECT_TRUE(registry.isPaused());
    EXPECT_EQ(model.placeholderText(), localized(QStringLiteral("press_shortcut")));

    model.endRecording();
    model.endRecording();
    EXPECT_FALSE(registry.isPaused());
    EXPECT_EQ(model.placeholderText(), localized(QStringLiteral("record_shortcut")));
    EXPECT_EQ(statuses, (QList<bool>{true, false}));
    EXPECT_EQ(recordingChanges.size(), 2);
}

TEST_F(RecorderModelTest, ACombinationIsStoredShownAndReported) {
    QSignalSpy textChanges(&model, &RecorderModel::textChanged);
    model.startRecording();
    EXPECT_EQ(press(controlShiftS), Outcome::finish);
    EXPECT_EQ(getShortcut(name), controlShiftS);
    EXPECT_EQ(model.text(), u"Ctrl+Shift+S"_qs);
    EXPECT_EQ(textChanges.size(), 1);
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{controlShiftS}));
    EXPECT_TRUE(shown.isEmpty());
}

TEST_F(RecorderModelTest, ShowsTheNamesShortcutAndFollowsChangesMadeElsewhere) {
    setShortcut(commandR, name);
    EXPECT_EQ(model.text(), u"Super+R"_qs);
    setShortcut(controlShiftS, Name(QStringLiteral("other")));
    EXPECT_EQ(model.text(), u"Super+R"_qs);
    setShortcut(controlShiftS, name);
    EXPECT_EQ(model.text(), u"Ctrl+Shift+S"_qs);

    setShortcut(commandR, Name(QStringLiteral("other")));
    model.setShortcutName(Name(QStringLiteral("other")));
    EXPECT_EQ(model.text(), u"Super+R"_qs);
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(RecorderModelTest, KeysWithoutCommandControlOrOptionAreRefusedUnlessFunctionKeys) {
    model.startRecording();
    EXPECT_EQ(press(Key::a), Outcome::beep);
    EXPECT_EQ(press(Key::a, CarbonModifier::shift), Outcome::beep);
    EXPECT_EQ(getShortcut(name), std::nullopt);

    EXPECT_EQ(press(Key::f5, CarbonModifier::shift), Outcome::finish);
    EXPECT_EQ(getShortcut(name), Shortcut(Key::f5, ModifierFlag::shift));
}

TEST_F(RecorderModelTest, ModifierKeysGoingDownWaitForTheKeyOfTheCombination) {
    model.startRecording();
    // Ctrl, then Alt, then Shift held down one after another, then O.
    EXPECT_EQ(press(Key::control), Outcome::keepRecording);
    EXPECT_EQ(press(Key::option, CarbonModifier::control), Outcome::keepRecording);
    EXPECT_EQ(press(Key::rightShift, CarbonModifier::control | CarbonModifier::option),
              Outcome::keepRecording);
    EXPECT_EQ(press(Key::rightCommand, CarbonModifier::control), Outcome::keepRecording);
    EXPECT_EQ(getShortcut(name), std::nullopt);
    EXPECT_TRUE(changes.isEmpty());

    const qint64 all = CarbonModifier::control | CarbonModifier::option | CarbonModifier::shift;
    EXPECT_EQ(press(Key::o, all), Outcome::finish);
    EXPECT_EQ(model.text(), u"Ctrl+Alt+Shift+O"_qs);
}

TEST_F(RecorderModelTest, TheFunctionModifierIsNotRecorded) {
    press(Key::k, CarbonModifier::control | CarbonModifier::function);
    EXPECT_EQ(getShortcut(name), Shortcut(Key::k, ModifierFlag::control));
}

// Tab and Shift+Tab move the focus; Tab with Control, Alt or Super is a shortcut like any other.
TEST_F(RecorderModelTest, EscapeTabAndShiftTabLeaveTheShortcutAlone) {
    setShortcut(commandR, name);
    model.startRecording();
    EXPECT_EQ(press(Key::escape), Outcome::finish);
    EXPECT_EQ(press(Key::tab), Outcome::moveFocus);
    EXPECT_EQ(press(Key::tab, CarbonModifier::shift), Outcome::moveFocus);
    EXPECT_EQ(getShortcut(name), commandR);
    EXPECT_TRUE(changes.isEmpty());

    EXPECT_EQ(press(Key::tab, CarbonModifier::control | CarbonModifier::shift), Outcome::finish);
    EXPECT_EQ(getShortcut(name), Shortcut(Key::tab, ModifierFlag::control | ModifierFlag::shift));
}

TEST_F(RecorderModelTest, DeleteClearsTheShortcutOnceAndKeepsRecording) {
    const Name withDefault(QStringLiteral("readSelection"), controlShiftS);
    model.setShortcutName(withDefault);
    model.startRecording();
    EXPECT_EQ(press(Key::deleteKey), Outcome::keepRecording);
    EXPECT_EQ(storedShortcut(withDefault), StoredShortcut::disabled());
    EXPECT_EQ(model.text(), QString());
    EXPECT_EQ(press(Key::deleteForward), Outcome::keepRecording); // nothing left to clear
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_TRUE(model.isRecording());
}

TEST_F(RecorderModelTest, AMenuItemsShortcutIsRefusedAfterAnAlert) {
    menu.addMenu(QStringLiteral("Playback"))
        ->addAction(QStringLiteral("&Read Aloud"))
        ->setShortcut(QKeySequence("Ctrl+Shift+S"));
    setMainMenu(&menu);
    model.startRecording();

    EXPECT_EQ(press(controlShiftS), Outcome::keepRecording);
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].message, localized(QStringLiteral("keyboard_shortcut_used_by_menu_item"))
                                    .arg(QStringLiteral("Read Aloud")));
    EXPECT_TRUE(shown[0].buttons.isEmpty());
    EXPECT_EQ(getShortcut(name), std::nullopt);
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(RecorderModelTest, ANamesOwnMenuItemDoesNotClashWithItsUnchangedShortcut) {
    setShortcut(controlShiftS, name);
    bindShortcut(*menu.addAction(QStringLiteral("Open Panel")), name);
    setMainMenu(&menu);

    model.startRecording();
    EXPECT_EQ(press(controlShiftS), Outcome::finish);
    EXPECT_TRUE(shown.isEmpty());
    model.endRecording();

    model.setShortcutName(Name(QStringLiteral("other")));
    model.startRecording();
    EXPECT_EQ(press(controlShiftS), Outcome::keepRecording);
    EXPECT_EQ(shown.size(), 1);
}

TEST_F(RecorderModelTest, ADesktopShortcutIsTakenOnlyWhenTheUserForcesIt) {
    system.heldElsewhere.insert(controlOptionK);
    model.startRecording();

    EXPECT_EQ(press(controlOptionK), Outcome::keepRecording);
    ASSERT_EQ(shown.size(), 1);
    const Alert expected{
        localized(QStringLiteral("keyboard_shortcut_used_by_system")),
        localized(QStringLiteral("keyboard_shortcuts_can_be_changed")),
        {localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut"))}};
    EXPECT_EQ(shown[0], expected);
    EXPECT_EQ(getShortcut(name), std::nullopt);

    response = RecorderAlerts::firstButtonResponse + 1;
    EXPECT_EQ(press(controlOptionK), Outcome::finish);
    EXPECT_EQ(getShortcut(name), controlOptionK);
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{controlOptionK}));
}

TEST_F(RecorderModelTest, ConflictsPassSilentlyWhenThePolicyAllowsThem) {
    system.heldElsewhere.insert(controlOptionK);
    menu.addAction(QStringLiteral("Keep"))->setShortcut(QKeySequence("Ctrl+Alt+K"));
    setMainMenu(&menu);
    model.setConflictPolicy(ConflictPolicy::allowAll());
    EXPECT_EQ(press(controlOptionK), Outcome::finish);
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_EQ(getShortcut(name), controlOptionK);
}

TEST_F(RecorderModelTest, WithoutAnAlertPresenterAConflictIsRefused) {
    system.heldElsewhere.insert(controlOptionK);
    model.presentAlert = nullptr;
    EXPECT_EQ(press(controlOptionK), Outcome::keepRecording);
    EXPECT_EQ(getShortcut(name), std::nullopt);
}

TEST_F(RecorderModelTest, AShortcutTheOwnerDisallowsIsRefusedWithItsReason) {
    QList<Shortcut> asked;
    model.setValidateShortcut([&](const Shortcut& shortcut) {
        asked.append(shortcut);
        return ValidationResult::disallow(QStringLiteral("Already used by Replay"));
    });
    EXPECT_EQ(press(commandR), Outcome::keepRecording);
    EXPECT_EQ(asked, QList<Shortcut>{commandR});
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0], (Alert{QStringLiteral("Already used by Replay"), {}, {}}));
    EXPECT_EQ(getShortcut(name), std::nullopt);
}

TEST_F(RecorderModelTest, AModelThatGoesAwayDuringAnAlertTakesNothing) {
    system.heldElsewhere.insert(controlOptionK);
    auto* own = new RecorderModel(registry, name, reportInto());
    own->presentAlert = [&](const Alert&) {
        delete own;
        return RecorderAlerts::firstButtonResponse + 1; // "use anyway", too late
    };
    own->startRecording();
    EXPECT_EQ(::press(*own, controlOptionK), Outcome::keepRecording);
    EXPECT_EQ(getShortcut(name), std::nullopt);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_FALSE(registry.isPaused());
    EXPECT_EQ(statuses, (QList<bool>{true, false}));
}

TEST_F(RecorderModelTest, SettingTheCurrentShortcutStoresItWithoutReportingIt) {
    const Name withDefault(QStringLiteral("readSelection"), controlShiftS);
    model.setShortcutName(withDefault);
    model.setCurrentShortcut(commandR);
    EXPECT_EQ(getShortcut(withDefault), commandR);
    EXPECT_EQ(model.text(), u"Super+R"_qs);
    model.setCurrentShortcut(std::nullopt);
    EXPECT_EQ(storedShortcut(withDefault), StoredShortcut::disabled());
    EXPECT_EQ(model.text(), QString());
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(RecorderModelTest, ABindingModelKeepsItsShortcutToItself) {
    RecorderModel binding(registry, commandR, reportInto());
    EXPECT_EQ(binding.text(), u"Super+R"_qs);
    EXPECT_EQ(::press(binding, controlShiftS), Outcome::finish);
    EXPECT_EQ(binding.currentShortcut(), controlShiftS);
    EXPECT_EQ(binding.text(), u"Ctrl+Shift+S"_qs);
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{controlShiftS}));
    EXPECT_TRUE(storedShortcutNames().isEmpty());
}

} // namespace
