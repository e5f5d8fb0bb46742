// Injects key presses into a real X server through XTest and watches them reach the tap
// detector through XInput2. XTest is the only way to make a key go down on a headless server, and
// the source ignores XTest events by design, so these tests build the source with synthetic
// events delivered, and one test checks that the default source ignores them.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/Linux/XKeyCodes.h"
#include "Parlino/Triggers/Linux/XInputTapEventSource.h"
#include "Parlino/Triggers/RightCommandTapDetector.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

using KeyboardShortcuts::Key;
using Parlino::RightCommandTapDetector;
using Parlino::XInputTapEventSource;

// More than the wait for a second tap, so a tap would have been reported by then.
constexpr int settleMs = 600;

class XTestKeyboard {
public:
    XTestKeyboard() : m_display(XOpenDisplay(nullptr)) {}
    ~XTestKeyboard() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isAvailable() const {
        int event = 0, error = 0, major = 0, minor = 0;
        return m_display && XTestQueryExtension(m_display, &event, &error, &major, &minor);
    }
    void press(Key key) { send(key, True); }
    void release(Key key) { send(key, False); }

private:
    void send(Key key, int down) {
        XTestFakeKeyEvent(m_display, *KeyboardShortcuts::XKeyCodes::fromVirtual(key.rawValue), down,
                          CurrentTime);
        XFlush(m_display);
    }

    Display* m_display;
};

class XInputTap : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(!qEnvironmentVariableIsEmpty("DISPLAY"), "no X display");
        ASSERT_TRUE(keyboard().isAvailable()) << "the X server has no XTest extension";
    }

    // One connection for the whole run: a bare X server resets, and briefly refuses new
    // connections, whenever its last client leaves.
    static XTestKeyboard& keyboard() {
        static XTestKeyboard shared;
        return shared;
    }

    std::unique_ptr<RightCommandTapDetector>
    startDetector(XInputTapEventSource::SyntheticEvents synthetic, int& singleTaps) {
        auto source =
            std::make_unique<XInputTapEventSource>(Base::SteadyClock::shared(), synthetic);
        auto detector = std::make_unique<RightCommandTapDetector>(
            std::move(source),
            RightCommandTapDetector::Settings{
                .isEnabled = [] { return true; },
                .isDoubleTapReplayEnabled = [] { return true; },
                .isSuppressed = [] { return false; },
                .modifier = [] { return Parlino::TapModifier::rightCommand; },
            },
            Base::QtScheduler::shared(), Base::SteadyClock::shared());
        detector->onSingleTap = [&singleTaps] { ++singleTaps; };
        detector->start();
        return detector;
    }

    void settle() {
        TestSupport::pumpUntil([] { return false; }, settleMs);
    }

    TestSupport::LogCapture logs;
    int singleTaps = 0;
};

TEST_F(XInputTap, ARightSuperTapReachesTheSingleTapHandler) {
    const auto detector =
        startDetector(XInputTapEventSource::SyntheticEvents::delivered, singleTaps);
    keyboard().press(Key::rightCommand);
    keyboard().release(Key::rightCommand);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return singleTaps == 1; }, 10000))
        << logs.messages(QStringLiteral("tap")).join('\n').toStdString();
    settle();
    EXPECT_EQ(singleTaps, 1);
}

TEST_F(XInputTap, ARightSuperChordDoesNotReachIt) {
    const auto detector =
        startDetector(XInputTapEventSource::SyntheticEvents::delivered, singleTaps);
    keyboard().press(Key::rightCommand);
    keyboard().press(Key::a);
    keyboard().release(Key::a);
    keyboard().release(Key::rightCommand);
    settle();
    EXPECT_EQ(singleTaps, 0);
    EXPECT_TRUE(logs.contains(QStringLiteral("tap cancel reason=keyDown")))
        << logs.messages(QStringLiteral("tap")).join('\n').toStdString();
}

TEST_F(XInputTap, SyntheticKeysAreIgnoredByDefault) {
    int ignoringTaps = 0;
    const auto ignoring =
        startDetector(XInputTapEventSource::SyntheticEvents::ignored, ignoringTaps);
    const auto detector =
        startDetector(XInputTapEventSource::SyntheticEvents::delivered, singleTaps);
    keyboard().press(Key::rightCommand);
    keyboard().release(Key::rightCommand);
    settle();
    EXPECT_EQ(singleTaps, 1);
    EXPECT_EQ(ignoringTaps, 0);
    EXPECT_EQ(logs.messages(QStringLiteral("tap")),
              (QStringList{"tap arm", "tap fire-single"})); // from the delivering detector only
}

} // namespace
