#include "KeyboardShortcuts/KeySequence.h"
#include "KeyboardShortcuts/MenuItemShortcuts.h"
#include "KeyboardShortcuts/Recorder.h"
#include "KeyboardShortcuts/Storage.h"
#include "KeyboardShortcuts/WidgetShortcuts.h"

#include "RecorderTesting.h"
#include "support/Printers.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

using namespace KeyboardShortcuts;

namespace {

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut commandR(Key::r, ModifierFlag::command);

class WidgetShortcutsTest : public TestSupport::RecorderTest {
protected:
    Name name{QStringLiteral("openPanel")};
};

TEST_F(WidgetShortcutsTest, KeySequencesFollowTheLayoutAndNameSpecialKeys) {
    EXPECT_EQ(keySequence(controlShiftS), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    EXPECT_EQ(keySequence(Shortcut(Key::r, ModifierFlag::command | ModifierFlag::option)),
              QKeySequence(QStringLiteral("Meta+Alt+R")));
    EXPECT_EQ(keySequence(Shortcut(Key::f5)), QKeySequence(Qt::Key_F5));
    EXPECT_EQ(keySequence(Shortcut(Key::returnKey, ModifierFlag::command)),
              QKeySequence(QStringLiteral("Meta+Return")));
    EXPECT_TRUE(keySequence(Shortcut(Key::keypad1, ModifierFlag::control)).isEmpty());
    EXPECT_TRUE(keySequence(Shortcut(Key::s, ModifierFlag::function)).isEmpty());
    EXPECT_TRUE(keySequence(Shortcut(Key::semicolon, ModifierFlag::control)).isEmpty())
        << "the test layout has no character for the key";
}

TEST_F(WidgetShortcutsTest, ABoundMenuItemShowsTheNamesShortcutAndFallsBackToItsOwn) {
    QAction action(QStringLiteral("Quit"));
    action.setShortcut(QKeySequence(QStringLiteral("Meta+Q")));
    bindShortcut(action, name);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Meta+Q")));
    EXPECT_EQ(boundName(action), name);

    setShortcut(controlShiftS, name);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    setShortcut(commandR, Name(QStringLiteral("other")));
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));

    bindShortcut(action, name); // binding again keeps the first fallback
    setShortcut(std::nullopt, name);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Meta+Q")));

    setShortcut(controlShiftS, name);
    bindShortcut(action, std::nullopt);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Meta+Q")));
    EXPECT_EQ(boundName(action), std::nullopt);
    setShortcut(commandR, name);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Meta+Q")));
}

TEST_F(WidgetShortcutsTest, ShowingAShortcutEndsTheBindingAndForgetsTheFallback) {
    QAction action;
    action.setShortcut(QKeySequence(QStringLiteral("Meta+Q")));
    bindShortcut(action, name);
    showShortcut(action, commandR);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Meta+R")));
    setShortcut(controlShiftS, name);
    EXPECT_EQ(action.shortcut(), QKeySequence(QStringLiteral("Meta+R")));
    showShortcut(action, std::nullopt);
    EXPECT_TRUE(action.shortcut().isEmpty());
}

TEST_F(WidgetShortcutsTest, MenuActionsUsingAShortcutAreFoundDepthFirst) {
    QMenu menu;
    QAction* first = menu.addAction(QStringLiteral("First"));
    first->setShortcuts(
        {QKeySequence(QStringLiteral("Meta+R")), QKeySequence(QStringLiteral("Ctrl+Shift+S"))});
    QMenu* submenu = menu.addMenu(QStringLiteral("More"));
    QAction* nested = submenu->addAction(QStringLiteral("Nested"));
    nested->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    QAction* last = menu.addAction(QStringLiteral("Last"));
    last->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    menu.addAction(QStringLiteral("Without shift"))->setShortcut(QKeySequence("Ctrl+S"));

    EXPECT_EQ(actionsUsing(controlShiftS, menu.actions()), (QList<QAction*>{first, nested, last}));
    EXPECT_TRUE(
        actionsUsing(Shortcut(Key::keypad1, ModifierFlag::control), menu.actions()).isEmpty());
}

TEST_F(WidgetShortcutsTest, AShortcutActionRunsOnlyWhileItsWidgetIsShown) {
    setShortcut(controlShiftS, name);
    auto* panel = place(new QWidget);
    QList<EventType> events;
    onKeyboardShortcut(*panel, registry, name, [&](EventType type) { events.append(type); });
    EXPECT_TRUE(system.isRegistered(controlShiftS));

    system.press(controlShiftS);
    system.release(controlShiftS);
    TestSupport::drainEvents();
    EXPECT_EQ(events, (QList<EventType>{EventType::keyDown, EventType::keyUp}));

    panel->hide();
    TestSupport::drainEvents();
    EXPECT_FALSE(system.isRegistered(controlShiftS));

    panel->show();
    system.press(controlShiftS);
    TestSupport::drainEvents();
    EXPECT_EQ(events.size(), 3);
}

TEST_F(WidgetShortcutsTest, ATypedShortcutActionRunsOncePerPressAndRelease) {
    setShortcut(controlShiftS, name);
    auto* panel = place(new QWidget);
    int keyUps = 0;
    onKeyboardShortcut(*panel, registry, name, EventType::keyUp, [&] { ++keyUps; });
    system.press(controlShiftS);
    system.release(controlShiftS);
    TestSupport::drainEvents();
    EXPECT_EQ(keyUps, 1);
}

TEST_F(WidgetShortcutsTest, AButtonHasTheNamesShortcutExceptWhileARecorderRecords) {
    QPushButton target;
    globalKeyboardShortcut(target, name);
    EXPECT_TRUE(target.shortcut().isEmpty());
    setShortcut(controlShiftS, name);
    EXPECT_EQ(target.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    setShortcut(commandR, Name(QStringLiteral("other")));
    EXPECT_EQ(target.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));

    auto* recorder = placeRecorder(new RecorderControl(registry, Name(QStringLiteral("other"))));
    focus(recorder);
    EXPECT_TRUE(target.shortcut().isEmpty());
    press(Key::escape);
    EXPECT_EQ(target.shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+S")));
}

TEST_F(WidgetShortcutsTest, ABoundRecorderUpdatesItsShortcutBeforeReportingIt) {
    auto* recorder = new Recorder(registry, QStringLiteral("Read selection"),
                                  ShortcutSource(std::optional<Shortcut>()));
    QList<std::optional<Shortcut>> reported;
    recorder->setOnChange([&](const std::optional<Shortcut>& shortcut) {
        EXPECT_EQ(recorder->shortcut(), shortcut);
        reported.append(shortcut);
    });
    recorder->control().setAlerts(alerts);
    place(recorder);
    auto* label = qobject_cast<QLabel*>(recorder->label());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Read selection"));

    focus(&recorder->control());
    press(commandR);
    recorder->control().findChild<QToolButton*>()->click(); // the clear button
    EXPECT_EQ(reported, (QList<std::optional<Shortcut>>{commandR, std::nullopt}));
    EXPECT_TRUE(storedShortcutNames().isEmpty());

    recorder->setSource(controlShiftS);
    EXPECT_EQ(recorder->control().text(), u"Ctrl+Shift+S"_qs);
    EXPECT_EQ(reported.size(), 2);
}

TEST_F(WidgetShortcutsTest, ANamedRecorderWithoutTitleShowsTheNamesShortcut) {
    setShortcut(commandR, name);
    Recorder recorder(registry, ShortcutSource(name));
    EXPECT_EQ(recorder.label(), nullptr);
    EXPECT_EQ(recorder.control().text(), u"Super+R"_qs);
    setShortcut(controlShiftS, Name(QStringLiteral("other")));
    recorder.setSource(Name(QStringLiteral("other")));
    EXPECT_EQ(recorder.shortcut(), controlShiftS);
}

} // namespace
