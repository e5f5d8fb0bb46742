#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/MenuItemShortcuts.h"
#include "KeyboardShortcuts/Storage.h"

#include "RecorderTesting.h"
#include "support/Printers.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>

using namespace KeyboardShortcuts;

namespace {

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut controlOptionK(Key::k, ModifierFlag::control | ModifierFlag::option);
const Shortcut commandR(Key::r, ModifierFlag::command);

class RecorderControlTest : public TestSupport::RecorderTest {
protected:
    RecorderControl* recorderFor(const Name& name) {
        return placeRecorder(new RecorderControl(
            registry, name, [this](const auto& shortcut) { changes.append(shortcut); }));
    }

    // A recorder for `name` that is recording.
    RecorderControl* recording() {
        auto* recorder = recorderFor(name);
        focus(recorder);
        statuses.clear();
        return recorder;
    }

    Name name{QStringLiteral("openPanel")};
    QList<std::optional<Shortcut>> changes;
};

TEST_F(RecorderControlTest, RecordsACombinationStoresItAndEndsRecording) {
    auto* recorder = recorderFor(name);
    EXPECT_EQ(recorder->placeholderText(), localized(QStringLiteral("record_shortcut")));

    focus(recorder);
    EXPECT_TRUE(recorder->model().isRecording());
    EXPECT_TRUE(registry.isPaused());
    EXPECT_EQ(recorder->placeholderText(), localized(QStringLiteral("press_shortcut")));

    press(controlShiftS);
    EXPECT_EQ(getShortcut(name), controlShiftS);
    EXPECT_EQ(recorder->text(), u"Ctrl+Shift+S"_qs);
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{controlShiftS}));
    EXPECT_TRUE(recorder->hasFocus()) << "the focus stays where the user recorded";
    EXPECT_EQ(recorder->selectedText(), recorder->text()) << "as a screen reader says it";
    EXPECT_FALSE(recorder->model().isRecording());
    EXPECT_FALSE(registry.isPaused());
    EXPECT_EQ(statuses, (QList<bool>{true, false}));
    EXPECT_TRUE(alerts->shown.isEmpty());
}

TEST_F(RecorderControlTest, ShowsTheNamesShortcutAndFollowsChangesMadeElsewhere) {
    setShortcut(commandR, name);
    auto* recorder = recorderFor(name);
    EXPECT_EQ(recorder->text(), u"Super+R"_qs);

    setShortcut(controlShiftS, name);
    EXPECT_EQ(recorder->text(), u"Ctrl+Shift+S"_qs);
    setShortcut(commandR, Name(QStringLiteral("other")));
    EXPECT_EQ(recorder->text(), u"Ctrl+Shift+S"_qs);

    recorder->model().setShortcutName(Name(QStringLiteral("other")));
    EXPECT_EQ(recorder->text(), u"Super+R"_qs);
    EXPECT_TRUE(changes.isEmpty());
}

TEST_F(RecorderControlTest, ALongShortcutWidensTheFieldSoTheClearButtonLeavesItsTextWhole) {
    const Shortcut longest(Key::keypadMultiply, ModifierFlag::control | ModifierFlag::option |
                                                    ModifierFlag::shift | ModifierFlag::command);
    setShortcut(longest, name);
    auto* recorder = recorderFor(name);
    window.adjustSize();
    TestSupport::drainEvents();
    EXPECT_EQ(recorder->text(), u"Ctrl+Alt+Shift+Super+Keypad *"_qs);
    EXPECT_GT(recorder->width(), RecorderControl::minimumWidth);
    const int textWidth = recorder->fontMetrics().horizontalAdvance(recorder->text());
    const int textRight = (recorder->width() + textWidth) / 2;
    const auto* clearButton = recorder->findChild<QToolButton*>();
    ASSERT_TRUE(clearButton && clearButton->isVisible());
    EXPECT_LE(textRight, clearButton->geometry().left());

    for (const auto& shortcut : {std::optional(commandR), std::optional<Shortcut>()}) {
        setShortcut(shortcut, name);
        window.adjustSize();
        TestSupport::drainEvents();
        EXPECT_EQ(recorder->width(), RecorderControl::minimumWidth)
            << "a short shortcut, or the placeholder, leaves it as it was";
    }
}

TEST_F(RecorderControlTest, TheWindowBecomingActiveDoesNotStartRecording) {
    button->setFocusPolicy(Qt::NoFocus); // the window's first field is the recorder
    auto* recorder = placeRecorder(new RecorderControl(registry, name));
    EXPECT_FALSE(recorder->model().isRecording());
    EXPECT_FALSE(registry.isPaused());
}

TEST_F(RecorderControlTest, AKeyThatCannotBeRecordedBeepsAndRecordingGoesOn) {
    auto* recorder = recording();
    press(Key::a, CarbonModifier::shift);
    EXPECT_EQ(alerts->beeps, 1);
    EXPECT_TRUE(recorder->model().isRecording());
    EXPECT_TRUE(statuses.isEmpty());
}

TEST_F(RecorderControlTest, EscapeEndsRecordingKeepingTheEarlierShortcut) {
    setShortcut(commandR, name);
    auto* recorder = recording();
    press(Key::escape);
    EXPECT_FALSE(recorder->model().isRecording());
    EXPECT_EQ(getShortcut(name), commandR);
    EXPECT_EQ(recorder->text(), u"Super+R"_qs);
    EXPECT_EQ(statuses, QList<bool>{false});
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_TRUE(recorder->hasFocus());
}

// The field that kept the focus after Escape or a recording records again at the user's asking,
// and only then: other keys go on to the window.
TEST_F(RecorderControlTest, TheFieldThatKeptTheFocusRecordsAgainAtSpaceReturnOrAClick) {
    auto* recorder = recording();
    const auto endRecording = [&] {
        press(Key::escape);
        ASSERT_TRUE(recorder->hasFocus());
        ASSERT_FALSE(recorder->model().isRecording());
    };
    endRecording();
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(recorder, &letter);
    EXPECT_FALSE(letter.isAccepted());
    QTest::keyClick(recorder, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_FALSE(recorder->model().isRecording());

    for (const Qt::Key key : {Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter}) {
        QTest::keyClick(recorder, key);
        EXPECT_TRUE(recorder->model().isRecording()) << key;
        EXPECT_EQ(system.keyboardWindow, window.winId()) << key;
        endRecording();
    }
    QTest::mouseClick(recorder, Qt::LeftButton);
    EXPECT_TRUE(recorder->model().isRecording());
    press(controlShiftS);
    EXPECT_EQ(getShortcut(name), controlShiftS);
    EXPECT_TRUE(recorder->hasFocus());
    EXPECT_FALSE(recorder->model().isRecording());
}

// The keys the application's filters saw, in order: a screen reader's bridge watches them so.
class KeyWatcher : public QObject {
public:
    KeyWatcher() { QCoreApplication::instance()->installEventFilter(this); }
    QList<int> keys;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress)
            keys.append(static_cast<QKeyEvent*>(event)->key());
        return false;
    }
};

// Tab and Shift+Tab leave the field as they leave any other control, and whoever watched the
// application's keys before the recording began hears them.
TEST_F(RecorderControlTest, TabAndShiftTabEndRecordingAndMoveTheFocusOnAndBack) {
    auto* recorder = recorderFor(name);
    auto* next = place(new QPushButton(QStringLiteral("Next")));
    const KeyWatcher watcher;
    for (const bool back : {false, true}) {
        focus(recorder);
        ASSERT_TRUE(recorder->model().isRecording());
        QKeyEvent tab(QEvent::KeyPress, back ? Qt::Key_Backtab : Qt::Key_Tab,
                      back ? Qt::ShiftModifier : Qt::NoModifier, 0, quint32(Key::tab.rawValue),
                      quint32(back ? CarbonModifier::shift : 0));
        QCoreApplication::sendEvent(recorder, &tab);
        EXPECT_FALSE(recorder->model().isRecording()) << back;
        EXPECT_TRUE((back ? button : next)->hasFocus()) << back;
    }
    EXPECT_EQ(watcher.keys, (QList<int>{Qt::Key_Tab, Qt::Key_Backtab}));
    EXPECT_EQ(statuses, (QList<bool>{true, false, true, false}));
}

TEST_F(RecorderControlTest, DeleteClearsTheShortcutAndKeepsRecording) {
    const Name withDefault(QStringLiteral("readSelection"), controlShiftS);
    auto* recorder = recorderFor(withDefault);
    focus(recorder);
    press(Key::deleteKey);
    EXPECT_EQ(storedShortcut(withDefault), StoredShortcut::disabled());
    EXPECT_EQ(recorder->text(), QString());
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_TRUE(recorder->model().isRecording());

    press(Key::deleteForward); // nothing left to clear
    EXPECT_EQ(changes.size(), 1);
    EXPECT_TRUE(recorder->model().isRecording());
}

TEST_F(RecorderControlTest, TheClearButtonRemovesTheShortcutAndStartsRecording) {
    setShortcut(commandR, name);
    auto* recorder = recorderFor(name);
    auto* clearButton = recorder->findChild<QToolButton*>();
    ASSERT_NE(clearButton, nullptr);
    EXPECT_EQ(clearButton->accessibleName(), QStringLiteral("Clear Shortcut"));
    clearButton->click();
    EXPECT_EQ(storedShortcut(name), StoredShortcut::none());
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{std::nullopt}));
    EXPECT_TRUE(recorder->model().isRecording());
}

TEST_F(RecorderControlTest, TabReachesTheClearButtonAndSpaceOnItClears) {
    setShortcut(commandR, name);
    auto* recorder = recorderFor(name);
    auto* clearButton = recorder->findChild<QToolButton*>();
    ASSERT_NE(clearButton, nullptr);
    EXPECT_TRUE(clearButton->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(clearButton->focusPolicy() & Qt::ClickFocus) << "a click leaves the focus be";
    clearButton->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(clearButton->hasFocus());
    EXPECT_FALSE(recorder->model().isRecording());
    QTest::keyClick(clearButton, Qt::Key_Space);
    EXPECT_EQ(storedShortcut(name), StoredShortcut::none());
    EXPECT_TRUE(recorder->model().isRecording()) << "the field records the next shortcut";
}

TEST_F(RecorderControlTest, AClickFarOutsideEndsRecordingAndOneNearTheEdgeDoesNot) {
    auto* recorder = recording();
    const auto release = [&](QPoint local) {
        const QPoint global = recorder->mapToGlobal(local);
        QMouseEvent event(QEvent::MouseButtonRelease, window.mapFromGlobal(global), global,
                          Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &event);
    };
    release({recorder->width() + 2, 0});
    EXPECT_TRUE(recorder->model().isRecording());
    release({recorder->width() + 10, 0});
    EXPECT_FALSE(recorder->model().isRecording());
    EXPECT_TRUE(recorder->hasFocus()) << "what was clicked took no focus";
}

TEST_F(RecorderControlTest, AMenuItemsShortcutIsRefusedAfterAnAlert) {
    QMenu menu;
    QMenu* submenu = menu.addMenu(QStringLiteral("Playback"));
    submenu->addAction(QStringLiteral("&Read Aloud"))->setShortcut(QKeySequence("Ctrl+Shift+S"));
    setMainMenu(&menu);
    auto* recorder = recording();

    press(controlShiftS);
    ASSERT_EQ(alerts->shown.size(), 1);
    EXPECT_EQ(alerts->shown[0].message,
              localized(QStringLiteral("keyboard_shortcut_used_by_menu_item"))
                  .arg(QStringLiteral("Read Aloud")));
    EXPECT_TRUE(alerts->shown[0].buttons.isEmpty());
    EXPECT_EQ(getShortcut(name), std::nullopt);
    EXPECT_TRUE(changes.isEmpty());
    EXPECT_TRUE(recorder->model().isRecording());
    EXPECT_EQ(statuses, (QList<bool>{false, true}));
    setMainMenu(nullptr);
}

TEST_F(RecorderControlTest, ADesktopShortcutIsTakenOnlyWhenTheUserForcesIt) {
    system.heldElsewhere.insert(controlOptionK);
    auto* recorder = recording();

    press(controlOptionK);
    ASSERT_EQ(alerts->shown.size(), 1);
    const Alert expected{
        localized(QStringLiteral("keyboard_shortcut_used_by_system")),
        localized(QStringLiteral("keyboard_shortcuts_can_be_changed")),
        {localized(QStringLiteral("ok")), localized(QStringLiteral("force_use_shortcut"))}};
    EXPECT_EQ(alerts->shown[0], expected);
    EXPECT_EQ(getShortcut(name), std::nullopt);
    EXPECT_TRUE(recorder->model().isRecording());

    alerts->response = RecorderAlerts::firstButtonResponse + 1;
    press(controlOptionK);
    EXPECT_EQ(getShortcut(name), controlOptionK);
    EXPECT_EQ(changes, (QList<std::optional<Shortcut>>{controlOptionK}));
    EXPECT_FALSE(recorder->model().isRecording());
}

TEST_F(RecorderControlTest, AnAlertEndsRecordingAndReleasesTheKeyboardWhileItIsUp) {
    system.heldElsewhere.insert(controlOptionK);
    auto* recorder = recording();
    bool recordingDuringAlert = true;
    std::optional<quintptr> keyboardDuringAlert;
    alerts->whileShown = [&] {
        recordingDuringAlert = recorder->model().isRecording();
        keyboardDuringAlert = system.keyboardWindow;
    };
    press(controlOptionK);
    EXPECT_FALSE(recordingDuringAlert);
    EXPECT_EQ(keyboardDuringAlert, std::nullopt);
    EXPECT_EQ(system.keyboardWindow, window.winId()) << "taken again for the next key";
}

TEST_F(RecorderControlTest, TheWindowHoldsTheKeyboardExactlyWhileRecording) {
    auto* recorder = recorderFor(name);
    EXPECT_EQ(system.keyboardWindow, std::nullopt);
    focus(recorder);
    EXPECT_EQ(system.keyboardWindow, window.winId());
    press(Key::escape);
    EXPECT_EQ(system.keyboardWindow, std::nullopt);

    focus(recorder);
    press(controlShiftS);
    EXPECT_EQ(system.keyboardWindow, std::nullopt) << "recorded";

    focus(recorder);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return QApplication::activeWindow() == &other; }));
    EXPECT_FALSE(recorder->model().isRecording());
    EXPECT_EQ(system.keyboardWindow, std::nullopt) << "the window lost the focus";

    window.activateWindow();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return QApplication::activeWindow() == &window; }));
    EXPECT_TRUE(recorder->hasFocus()) << "the window gives the focus back where it was";
    EXPECT_FALSE(recorder->model().isRecording());
}

TEST_F(RecorderControlTest, RecordingGoesOnWhenTheKeyboardIsHeldElsewhere) {
    system.keyboardTakenElsewhere = true;
    auto* recorder = recording();
    EXPECT_TRUE(recorder->model().isRecording());
    press(controlShiftS);
    EXPECT_EQ(getShortcut(name), controlShiftS);
}

TEST_F(RecorderControlTest, RecordingEndsWhenTheFieldGoesAway) {
    auto* recorder = recording();
    delete recorder;
    EXPECT_FALSE(registry.isPaused());
    EXPECT_EQ(system.keyboardWindow, std::nullopt);
    EXPECT_EQ(statuses, QList<bool>{false});
}

// Qt leaves the placeholder out of a centred field that has the focus.
TEST_F(RecorderControlTest, AnEmptyFieldAsksForAShortcutWhileRecording) {
    auto* recorder = recording();
    ASSERT_TRUE(recorder->text().isEmpty());
    const QImage image = recorder->grab().toImage();
    // Inside the frame, whose edge is left out.
    const QRect inside = image.rect().adjusted(5, 5, -5, -5);
    const int ground = image.pixelColor(inside.left(), inside.center().y()).lightness();
    int inked = 0;
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            inked += qAbs(image.pixelColor(x, y).lightness() - ground) > 40;
    // More than the caret alone.
    EXPECT_GT(inked, 3 * recorder->height());
}

} // namespace
