// Hot keys on a real X server: presses injected through XTest reach the named shortcut's
// actions, and a combination another client holds is refused until it lets go. Needs DISPLAY;
// skips without.

#include "Base/Scheduler.h"
#include "KeyboardShortcuts/KeyboardLayout.h"
#include "KeyboardShortcuts/Linux/XHotKeySystem.h"
#include "KeyboardShortcuts/Linux/XKeyCodes.h"
#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/Storage.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"
#include "support/Printers.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <xcb/xinput.h>

#include <cstdio>
#include <cstdlib>

// Last: Xlib defines macros such as None and Bool.
#include "OtherXClient.h"

using namespace KeyboardShortcuts;
using TestSupport::OtherClient;
using TestSupport::pumpUntil;
using TestSupport::StoreScope;

namespace {

// A window of the application that counts the presses of R it is shown.
class KeyRecorder : public QWidget {
public:
    int keys = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_R)
            ++keys;
    }
};

const Shortcut controlShiftS(Key::s, ModifierFlag::control | ModifierFlag::shift);
const Shortcut controlOptionR(Key::r, ModifierFlag::control | ModifierFlag::option);

class HotKeyE2ETest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(other.isConnected());
        ASSERT_TRUE(system);
        ASSERT_EQ(other.keyCode(XK_s), XKeyCodes::fromVirtual(Key::s.rawValue));
        registry = std::make_unique<ShortcutRegistry>(*system);
        registry->onKeyDown(readSelection, [this] { calls << "down"; });
        registry->onKeyUp(readSelection, [this] { calls << "up"; });
    }
    void TearDown() override { registry.reset(); }

    bool called(const QStringList& expected) {
        return pumpUntil([&] { return calls == expected; }, 3000);
    }
    void holdCombination() {
        other.press(XK_Control_L);
        other.press(XK_Shift_L);
        other.press(XK_s);
    }
    void releaseCombination() {
        other.release(XK_s);
        other.release(XK_Shift_L);
        other.release(XK_Control_L);
    }
    // The modifiers come up first.
    void pressAndRelease(const QList<KeySym>& keys = {XK_Control_L, XK_Shift_L, XK_s}) {
        for (const KeySym key : keys)
            other.press(key);
        for (const KeySym key : keys)
            other.release(key);
    }
    // Presses and releases the keys `presses` times; true when each press and release came.
    bool firesAtEachPress(const QList<KeySym>& keys, int presses) {
        QStringList expected;
        for (int k = 0; k < presses; ++k) {
            pressAndRelease(keys);
            expected << "down"
                     << "up";
            if (!called(expected))
                return false;
        }
        return true;
    }
    // Opens a window with the focus and waits for the hot keys to move to it. The window
    // manager may still give the focus to a window of its own because the last focused window
    // went away: the focus is set again until it stays.
    OtherClient::FocusedWindow openFocusedWindow(bool onTopLevel = false) {
        const OtherClient::FocusedWindow window = other.openFocusedWindow(onTopLevel);
        EXPECT_TRUE(pumpUntil([&] {
            if (other.focus() != window.focus)
                other.setFocus(window.focus);
            return system->grabWindow() == window.focus && other.focus() == window.focus;
        }));
        return window;
    }

    // Whether the application's connection hears the keys of the root window.
    static bool hearsRootKeys() {
        xcb_connection_t* connection =
            qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, root), nullptr);
        const bool hears = attributes && (attributes->your_event_mask & XCB_EVENT_MASK_KEY_PRESS);
        std::free(attributes);
        return hears;
    }

    // Whether the application's connection hears the raw key releases of the whole server.
    static bool hearsRawKeyReleases() {
        xcb_connection_t* connection =
            qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_input_xi_get_selected_events_reply_t* selected = xcb_input_xi_get_selected_events_reply(
            connection, xcb_input_xi_get_selected_events(connection, root), nullptr);
        bool hears = false;
        for (auto it = xcb_input_xi_get_selected_events_masks_iterator(selected); it.rem;
             xcb_input_event_mask_next(&it))
            hears =
                hears || (it.data->mask_len > 0 && (*xcb_input_event_mask_mask(it.data) &
                                                    XCB_INPUT_XI_EVENT_MASK_RAW_KEY_RELEASE) != 0);
        std::free(selected);
        return hears;
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
    QStringList calls;
};

} // namespace

TEST_F(HotKeyE2ETest, AnInjectedCombinationRunsReadSelectionsActions) {
    ASSERT_TRUE(registry->isActive(readSelection));
    holdCombination();
    EXPECT_TRUE(called({"down"}));
    releaseCombination();
    EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();
}

TEST_F(HotKeyE2ETest, TheReleaseCountsWhenTheModifiersComeUpFirst) {
    pressAndRelease();
    EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();
}

TEST_F(HotKeyE2ETest, TheCombinationFiresWithCapsLockOn) {
    other.press(XK_Caps_Lock);
    other.release(XK_Caps_Lock);
    holdCombination();
    releaseCombination();
    other.press(XK_Caps_Lock);
    other.release(XK_Caps_Lock);
    EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();
}

TEST_F(HotKeyE2ETest, ACombinationAnotherClientHoldsIsRefused) {
    other.grab(XK_r, ControlMask | Mod1Mask);
    EXPECT_TRUE(registry->center().isTakenBySystem(controlOptionR));
    EXPECT_FALSE(registry->center().isTakenBySystem(controlShiftS)) << "our own";

    TestSupport::LogCapture log;
    setShortcut(controlOptionR, readSelection);
    EXPECT_FALSE(registry->isActive(readSelection));
    EXPECT_EQ(
        log.messages(QStringLiteral("shortcuts")),
        QStringList{"hot key Ctrl+Alt+R refused: another application holds it (readSelection)"});

    other.ungrab(XK_r, ControlMask | Mod1Mask);
    EXPECT_FALSE(registry->center().isTakenBySystem(controlOptionR));
    // Claimed again when the focus moves.
    const OtherClient::FocusedWindow editor = openFocusedWindow();
    EXPECT_TRUE(pumpUntil([&] { return registry->isActive(readSelection); }));
    EXPECT_FALSE(registry->isRefused(readSelection));
    other.closeWindow(editor);
}

// Held on the focused window, a combination that another client then grabs on the root window
// goes to that client; it is found taken when the focus moves, and is the application's again at
// the first move after the client let it go.
TEST_F(HotKeyE2ETest, ACombinationAnotherClientTakesComesBackAtTheNextFocusChangeAfterItIsFree) {
    const OtherClient::FocusedWindow editor = openFocusedWindow();
    other.grab(XK_s, ControlMask | ShiftMask);
    const OtherClient::FocusedWindow browser = openFocusedWindow();
    EXPECT_TRUE(pumpUntil([&] { return registry->isRefused(readSelection); }));
    EXPECT_FALSE(registry->isActive(readSelection));
    pressAndRelease();

    other.ungrab(XK_s, ControlMask | ShiftMask);
    other.setFocus(editor.focus);
    EXPECT_TRUE(pumpUntil([&] { return registry->isActive(readSelection); }));
    EXPECT_FALSE(registry->isRefused(readSelection));
    pressAndRelease();
    EXPECT_TRUE(called({"down", "up"}))
        << "the press while taken went to the other client: " << calls.join(u' ').toStdString();
    other.closeWindow(browser);
    other.closeWindow(editor);
}

// Another client's grab on the root window comes before the application's on the focused window,
// which stays there. Once that client lets go, the next press is the application's without a
// focus change, and the focused window never hears it.
TEST_F(HotKeyE2ETest, ACombinationAnotherClientGivesBackFiresAtItsNextPressWithoutAFocusChange) {
    const QList<KeySym> controlAltR{XK_Control_L, XK_Alt_L, XK_r};
    for (const bool takenAtTheStart : {true, false}) {
        SCOPED_TRACE(takenAtTheStart ? "taken before it was set" : "taken later");
        calls.clear();
        setShortcut(controlShiftS, readSelection);
        const OtherClient::FocusedWindow editor = openFocusedWindow();
        if (takenAtTheStart) {
            other.grab(XK_r, ControlMask | Mod1Mask);
            setShortcut(controlOptionR, readSelection);
        } else {
            setShortcut(controlOptionR, readSelection);
            other.grab(XK_r, ControlMask | Mod1Mask);
        }
        // The application learns that it was taken when the grabs next move.
        const OtherClient::FocusedWindow browser = openFocusedWindow();
        ASSERT_TRUE(pumpUntil([&] { return registry->isRefused(readSelection); }));
        pressAndRelease(controlAltR);
        TestSupport::drainEvents();
        EXPECT_TRUE(calls.isEmpty()) << "the other client's: " << calls.join(u' ').toStdString();

        other.ungrab(XK_r, ControlMask | Mod1Mask);
        other.heardKey(browser.focus, XK_r);
        pressAndRelease(controlAltR);
        EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();
        EXPECT_TRUE(registry->isActive(readSelection));
        EXPECT_FALSE(registry->isRefused(readSelection));
        EXPECT_FALSE(other.heardKey(browser.focus, XK_r));
        other.closeWindow(browser);
        other.closeWindow(editor);
    }
}

// With the focus on a window of the application there is no other window for the grab to wait
// on: the press after the other program let go comes to the application's window, which takes
// it for the hot key's and never shows it.
TEST_F(HotKeyE2ETest, ACombinationGivenBackFiresAtItsNextPressWithTheFocusOnTheApplication) {
    const QList<KeySym> controlAltR{XK_Control_L, XK_Alt_L, XK_r};
    KeyRecorder window;
    window.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    window.setGeometry(300, 300, 200, 100);
    window.show();
    ASSERT_TRUE(pumpUntil([&] {
        if (other.focus() != Window(window.winId()))
            other.setFocus(Window(window.winId()));
        return window.isActiveWindow();
    }));
    auto program = std::make_unique<OtherClient>();
    program->grab(XK_r, ControlMask | Mod1Mask);
    setShortcut(controlOptionR, readSelection);
    ASSERT_TRUE(registry->isRefused(readSelection));
    pressAndRelease(controlAltR);
    TestSupport::drainEvents();
    EXPECT_TRUE(calls.isEmpty()) << "the other program's: " << calls.join(u' ').toStdString();

    program.reset(); // it ends, with no window that could tell
    EXPECT_TRUE(firesAtEachPress(controlAltR, 2)) << calls.join(u' ').toStdString();
    EXPECT_FALSE(registry->isRefused(readSelection));
    EXPECT_EQ(window.keys, 0) << "the window heard the combination";
    // Its own keys still reach it.
    other.press(XK_r);
    other.release(XK_r);
    EXPECT_TRUE(pumpUntil([&] { return window.keys == 1; }));
}

// Where no window manager runs, the focus may be on no window: the keys then go to the window
// under the pointer, and on the bare desktop to the root window. The press after the other
// program let go comes there, where the application listens only while such a combination
// waits. A window manager would give the focus to a window of its own at once: the test runs on
// a server of its own too.
TEST_F(HotKeyE2ETest, WithoutAWindowManagerACombinationGivenBackFiresOnTheBareDesktop) {
    const Window root = DefaultRootWindow(other.display());
    if (other.windowManagerRuns())
        GTEST_SKIP() << "a window manager runs";
    const QList<KeySym> controlAltR{XK_Control_L, XK_Alt_L, XK_r};
    other.movePointer(600, 700);
    other.setFocus(PointerRoot);
    ASSERT_TRUE(pumpUntil([&] { return system->grabWindow() == root; }));
    EXPECT_FALSE(hearsRootKeys());
    auto program = std::make_unique<OtherClient>();
    program->grab(XK_r, ControlMask | Mod1Mask);
    setShortcut(controlOptionR, readSelection);
    ASSERT_TRUE(registry->isRefused(readSelection));
    EXPECT_TRUE(hearsRootKeys());

    program.reset();
    EXPECT_TRUE(firesAtEachPress(controlAltR, 2)) << calls.join(u' ').toStdString();
    EXPECT_FALSE(registry->isRefused(readSelection));
    EXPECT_FALSE(hearsRootKeys()) << "every key typed there would wake the application";
}

// A program that ends takes its windows with it: the combination it held is the application's
// again at once, without a press or a change of the focus.
TEST_F(HotKeyE2ETest, ACombinationIsToldFreeWhenTheProgramHoldingItEnds) {
    auto program = std::make_unique<OtherClient>();
    program->openHiddenWindow();
    program->grab(XK_r, ControlMask | Mod1Mask);
    setShortcut(controlOptionR, readSelection);
    ASSERT_TRUE(registry->isRefused(readSelection));

    program.reset();
    EXPECT_TRUE(pumpUntil([&] { return !registry->isRefused(readSelection); }));
    EXPECT_TRUE(registry->isActive(readSelection));
}

// The server ends the grab of a held combination when the grab's window is destroyed or unmapped,
// and sends the release to whichever window has the focus then.
TEST_F(HotKeyE2ETest, ACombinationHeldWhileItsWindowGoesAwayComesUpAndFollowsTheFocus) {
    for (const bool destroy : {true, false}) {
        SCOPED_TRACE(destroy ? "destroyed" : "unmapped");
        calls.clear();
        const OtherClient::FocusedWindow editor = openFocusedWindow();
        holdCombination();
        ASSERT_TRUE(called({"down"}));
        if (destroy)
            other.closeWindow(editor);
        else
            other.hideWindow(editor);
        releaseCombination();
        EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();

        const OtherClient::FocusedWindow browser = openFocusedWindow();
        pressAndRelease();
        EXPECT_TRUE(called({"down", "up", "down", "up"})) << calls.join(u' ').toStdString();
        other.closeWindow(browser);
        if (!destroy)
            other.closeWindow(editor);
    }
}

// Every key typed anywhere would wake the application while it hears the raw key releases.
TEST_F(HotKeyE2ETest, RawKeyReleasesAreHeardOnlyWhileAHotKeyIsHeld) {
    const OtherClient::FocusedWindow editor = openFocusedWindow();
    EXPECT_FALSE(hearsRawKeyReleases());
    holdCombination();
    ASSERT_TRUE(called({"down"}));
    EXPECT_TRUE(hearsRawKeyReleases());
    releaseCombination();
    ASSERT_TRUE(called({"down", "up"}));
    EXPECT_FALSE(hearsRawKeyReleases());
    other.closeWindow(editor);
}

TEST_F(HotKeyE2ETest, TheCombinationFiresWhileAMenuOfTheApplicationIsOpen) {
    QMenu menu;
    menu.addAction(QStringLiteral("Quit"));
    menu.popup(QPoint(100, 100));
    ASSERT_TRUE(pumpUntil([&] { return menu.isVisible(); }));
    ASSERT_EQ(registry->center().mode(), HotKeyCenter::Mode::menuOpen);
    TestSupport::drainEvents();

    pressAndRelease();
    EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();
    EXPECT_TRUE(menu.isVisible());
}

// Held on the root window (no window has the focus) and on another application's window, where
// the server also reports the raw key events to the application while its grab lasts.
TEST_F(HotKeyE2ETest, AHeldCombinationIsOnePressAndOneRelease) {
    for (const bool inWindow : {false, true}) {
        SCOPED_TRACE(inWindow ? "in a window" : "on the root window");
        calls.clear();
        const OtherClient::FocusedWindow window =
            inWindow ? openFocusedWindow() : OtherClient::FocusedWindow{0, 0};
        // A fast repeat: some auto-repeated release and press pairs reach the event loop split.
        other.setRepeatRate(50, 5);
        holdCombination();
        pumpUntil([] { return false; }, 1000);
        EXPECT_EQ(calls, QStringList{"down"}) << calls.join(u' ').toStdString();
        releaseCombination();
        other.setRepeatRate(660, 40);
        pumpUntil([] { return false; }, 300);
        EXPECT_EQ(calls, QStringList({"down", "up"})) << calls.join(u' ').toStdString();
        if (inWindow)
            other.closeWindow(window);
    }
}

// A grab moves the keyboard focus to its window while the combination is down. Held on the root
// window or on a parent, it would leave the focused window without the focus until the release
// (GTK then tells a screen reader, which presents the window again; Qt, whose focus is on its
// top-level window, deactivates the window after a moment); held on the focused window itself, the
// server tells the window that the focus left and came back at once.
TEST_F(HotKeyE2ETest, AHotKeyPressedInAnotherApplicationLeavesItsWindowTheFocus) {
    QStringList expected;
    const auto pressIn = [&](const OtherClient::FocusedWindow& window) {
        other.keptTheFocus(window.focus);
        // With Caps Lock on and the modifiers let go first.
        other.press(XK_Caps_Lock);
        other.release(XK_Caps_Lock);
        holdCombination();
        expected << "down";
        EXPECT_TRUE(called(expected)) << calls.join(u' ').toStdString();
        EXPECT_TRUE(other.keptTheFocus(window.focus)) << "while the combination is down";
        other.release(XK_Control_L);
        other.release(XK_Shift_L);
        other.release(XK_s);
        other.press(XK_Caps_Lock);
        other.release(XK_Caps_Lock);
        expected << "up";
        EXPECT_TRUE(called(expected)) << calls.join(u' ').toStdString();
        EXPECT_TRUE(other.keptTheFocus(window.focus)) << "after the release";
    };
    // The hot key follows the focus from one application to another.
    const OtherClient::FocusedWindow gtkEditor = openFocusedWindow();
    {
        SCOPED_TRACE("focus on a child");
        pressIn(gtkEditor);
    }
    const OtherClient::FocusedWindow qtEditor = openFocusedWindow(true);
    {
        SCOPED_TRACE("focus on the top-level window");
        pressIn(qtEditor);
    }
    // Another client's grab of a combination is still found where the focus is.
    other.grab(XK_r, ControlMask | Mod1Mask);
    EXPECT_TRUE(registry->center().isTakenBySystem(controlOptionR));
    other.ungrab(XK_r, ControlMask | Mod1Mask);

    // The hot key follows the focus to no window at all, which is the root window's, unless the
    // window manager gives the focus to a window of its own.
    other.setFocus(PointerRoot);
    ASSERT_TRUE(pumpUntil([&] {
        const Window focus = other.focus();
        return system->grabWindow() ==
               (focus == PointerRoot ? DefaultRootWindow(other.display()) : focus);
    }));
    pressAndRelease();
    expected << "down"
             << "up";
    EXPECT_TRUE(called(expected)) << calls.join(u' ').toStdString();
    other.closeWindow(qtEditor);
    other.closeWindow(gtkEditor);
}

// The grabs on a window go with it. When the focused window goes away, the server gives the focus
// back to its parent without a word to the window that had it, and the hot keys follow it there.
TEST_F(HotKeyE2ETest, TheHotKeysFollowTheFocusBackToTheParentOfAFocusedWindowThatGoesAway) {
    const OtherClient::FocusedWindow editor = openFocusedWindow();
    other.setFocus(editor.focus, RevertToParent);
    other.destroyWindow(editor.focus);
    ASSERT_TRUE(pumpUntil([&] { return system->grabWindow() == editor.topLevel; }));
    pressAndRelease();
    EXPECT_TRUE(called({"down", "up"})) << calls.join(u' ').toStdString();
    other.closeWindow(editor);
}

TEST_F(HotKeyE2ETest, TheHotKeysKeepTheLayoutThatNamesShortcutKeys) {
    setKeyboardLayout(nullptr);
    ASSERT_EQ(controlShiftS.description(), QStringLiteral("Ctrl+Shift+\uFFFD"));
    const auto hotKeys = XHotKeySystem::create(Base::QtScheduler::shared());
    EXPECT_EQ(controlShiftS.description(), QStringLiteral("Ctrl+Shift+S"));
    EXPECT_EQ(controlOptionR.description(), QStringLiteral("Ctrl+Alt+R"));
}

TEST_F(HotKeyE2ETest, TheKeyRepeatTimingIsTheServers) {
    other.setRepeatRate(300, 50);
    const KeyRepeatTiming timing = system->keyRepeatTiming();
    other.setRepeatRate(660, 40);
    EXPECT_DOUBLE_EQ(timing.delay, 0.3);
    EXPECT_DOUBLE_EQ(timing.interval, 0.05);
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        // Inside the desktop session a missing X server is a broken session, not a skip.
        std::puts("DISPLAY is not set; the hot key tests need an X server");
        return TestSupport::inDesktopSession() ? 1 : 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
