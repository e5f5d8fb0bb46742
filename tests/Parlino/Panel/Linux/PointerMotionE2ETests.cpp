// Pointer motion on the desktop that scripts/ci-services.sh starts, made through XTest (a warp
// makes no raw motion), reaching the raw-motion source only while it is started.
#include "Parlino/Panel/Linux/XInputPointerMotionSource.h"
#include "support/EventLoop.h"

#include <gtest/gtest.h>

// Xlib's macros (None, Bool) come after every C++ header.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

using namespace Parlino;
using TestSupport::pumpUntil;

namespace {

// Moves the pointer by small steps through XTest on a connection of its own.
class XTestPointer {
public:
    XTestPointer() : m_display(XOpenDisplay(nullptr)) {}
    ~XTestPointer() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    bool isAvailable() const {
        int event = 0, error = 0, major = 0, minor = 0;
        return m_display && XTestQueryExtension(m_display, &event, &error, &major, &minor);
    }
    void nudge(int dx) {
        XTestFakeRelativeMotionEvent(m_display, dx, 0, CurrentTime);
        XFlush(m_display);
    }

private:
    Display* m_display;
};

TEST(PointerMotionE2E, reportsMotionOnlyWhileStarted) {
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isAvailable()) << "the X server has no XTest extension";
    XInputPointerMotionSource source;
    int reports = 0;
    ASSERT_TRUE(source.start([&] { ++reports; }));

    pointer.nudge(5);
    EXPECT_TRUE(pumpUntil([&] { return reports > 0; }, 10000));

    source.stop();
    TestSupport::drainEvents();
    const int stopped = reports;
    pointer.nudge(-5);
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(reports, stopped);

    // A second start watches again on the same connection.
    ASSERT_TRUE(source.start([&] { ++reports; }));
    pointer.nudge(5);
    EXPECT_TRUE(pumpUntil([&] { return reports > stopped; }, 10000));
}

TEST(PointerMotionE2E, aHandlerMayStopItsSource) {
    XTestPointer pointer;
    ASSERT_TRUE(pointer.isAvailable());
    XInputPointerMotionSource source;
    int reports = 0;
    ASSERT_TRUE(source.start([&] {
        ++reports;
        source.stop();
    }));
    pointer.nudge(3);
    ASSERT_TRUE(pumpUntil([&] { return reports > 0; }, 10000));
    pointer.nudge(3);
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(reports, 1);
}

} // namespace
