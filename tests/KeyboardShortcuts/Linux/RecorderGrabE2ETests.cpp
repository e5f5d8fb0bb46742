// The shortcut recorder on a real X server: while it records, its window holds the whole
// keyboard, so combinations held as hot keys (by this application or another client) reach it
// instead of their owners, and the keyboard is free again however the recording ends.

#include "Base/Scheduler.h"
#include "KeyboardShortcuts/Linux/XHotKeySystem.h"
#include "KeyboardShortcuts/LocalizedStrings.h"
#include "KeyboardShortcuts/RecorderControl.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"

#include "support/EventLoop.h"
#include "support/FakeRecorderAlerts.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <QApplication>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

// Last: Xlib defines macros such as None and Bool.
#include "OtherXClient.h"

using namespace KeyboardShortcuts;
using TestSupport::OtherClient;
using TestSupport::pumpUntil;
using TestSupport::StoreScope;

namespace {

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);

// A window with a recorder for "replayLast", while the application's "readSelection" holds
// Ctrl+Shift+S as a hot key.
class RecorderGrabE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(other.isConnected());
        ASSERT_TRUE(system);
        registry = std::make_unique<ShortcutRegistry>(*system);
        registry->onKeyDown(readSelection, [this] { ++fired; });
        ASSERT_TRUE(registry->isActive(readSelection));
        recorder = new RecorderControl(*registry, replayLast);
        recorder->setAlerts(alerts);
        recorder->model().setValidateShortcut([](const Shortcut& shortcut) {
            return shortcut == controlShiftS ? ValidationResult::disallow(QStringLiteral("taken"))
                                             : ValidationResult::allow();
        });
        layout->addWidget(button);
        layout->addWidget(recorder);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(pumpUntil([&] { return window.isActiveWindow(); }));
    }
    void TearDown() override {
        delete recorder;
        registry.reset();
    }

    // The user clicks into the field, which may have kept the focus since it last recorded; it
    // records once its window holds the keyboard.
    bool startRecording() {
        QTest::mouseClick(recorder, Qt::LeftButton);
        return recorder->model().isRecording() &&
               pumpUntil([&] { return other.keyboardIsGrabbed(); });
    }
    void type(const QList<KeySym>& keys) {
        for (const KeySym key : keys)
            other.press(key);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            other.release(*key);
    }
    bool keyboardIsFree() {
        return pumpUntil([&] { return !other.keyboardIsGrabbed(); });
    }

    QTemporaryDir folder;
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler{clock};
    std::shared_ptr<Base::UserDefaults> suite =
        Base::UserDefaults::open(QStringLiteral("e2e"), folder.path(), scheduler);
    StoreScope storeScope{suite};
    OtherClient other;
    std::unique_ptr<XHotKeySystem> system = XHotKeySystem::create(Base::QtScheduler::shared());
    std::unique_ptr<ShortcutRegistry> registry;
    Name readSelection{QStringLiteral("readSelection"), controlShiftS};
    Name replayLast{QStringLiteral("replayLast")};
    int fired = 0;
    QWidget window;
    QVBoxLayout* layout = new QVBoxLayout(&window);
    QPushButton* button = new QPushButton(QStringLiteral("Other"));
    RecorderControl* recorder = nullptr;
    std::shared_ptr<TestSupport::FakeRecorderAlerts> alerts =
        std::make_shared<TestSupport::FakeRecorderAlerts>();
};

} // namespace

TEST_F(RecorderGrabE2ETest, TheApplicationsOwnHotKeyReachesTheRecorder) {
    ASSERT_TRUE(startRecording());
    type({XK_Control_L, XK_Shift_L, XK_s});
    ASSERT_TRUE(pumpUntil([&] { return !alerts->shown.isEmpty(); }, 3000));
    EXPECT_EQ(alerts->shown.first().message, QStringLiteral("taken"));
    EXPECT_EQ(fired, 0) << "the hot key's action ran instead";
    EXPECT_EQ(getShortcut(replayLast), std::nullopt);

    // Recording again after the alert; Escape ends it and frees the keyboard.
    ASSERT_TRUE(recorder->model().isRecording());
    type({XK_Escape});
    EXPECT_TRUE(pumpUntil([&] { return !recorder->model().isRecording(); }));
    EXPECT_TRUE(keyboardIsFree());
    type({XK_Control_L, XK_Shift_L, XK_s});
    EXPECT_TRUE(pumpUntil([&] { return fired == 1; }, 3000)) << "the hot key works again";
}

TEST_F(RecorderGrabE2ETest, ACombinationAnotherClientHoldsIsReportedAsTheSystems) {
    other.grab(XK_k, ControlMask | Mod1Mask);
    ASSERT_TRUE(startRecording());
    type({XK_Control_L, XK_Alt_L, XK_k});
    ASSERT_TRUE(pumpUntil([&] { return !alerts->shown.isEmpty(); }, 3000));
    EXPECT_EQ(alerts->shown.first().message,
              localized(QStringLiteral("keyboard_shortcut_used_by_system")));
    EXPECT_EQ(getShortcut(replayLast), std::nullopt);
    other.ungrab(XK_k, ControlMask | Mod1Mask);
}

TEST_F(RecorderGrabE2ETest, TheKeyboardIsFreedWhenTheRecordingEnds) {
    ASSERT_TRUE(startRecording());
    type({XK_Control_L, XK_Alt_L, XK_j});
    EXPECT_TRUE(pumpUntil([&] { return getShortcut(replayLast).has_value(); }, 3000));
    EXPECT_TRUE(keyboardIsFree()) << "recorded";

    ASSERT_TRUE(startRecording());
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(pumpUntil([&] { return elsewhere.isActiveWindow(); }));
    EXPECT_FALSE(recorder->model().isRecording());
    EXPECT_TRUE(keyboardIsFree()) << "the window lost the focus";

    window.activateWindow();
    ASSERT_TRUE(pumpUntil([&] { return window.isActiveWindow(); }));
    ASSERT_TRUE(startRecording());
    delete recorder;
    recorder = nullptr;
    EXPECT_TRUE(keyboardIsFree()) << "the field went away";
}
