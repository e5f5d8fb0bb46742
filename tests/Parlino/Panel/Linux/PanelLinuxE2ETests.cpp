// The floating surfaces as real X11 windows on the desktop that scripts/ci-services.sh starts
// (1920 × 1080, openbox, a compositor): where they land, click-through and focus.
#include "Parlino/Panel/CurrentScreen.h"
#include "Parlino/Panel/Linux/X11ScreenProvider.h"
#include "Parlino/Panel/Linux/X11SurfaceWindow.h"
#include "Parlino/Panel/NotchPlacement.h"
#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

// Xlib's macros (None, Bool) come after every C++ header.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace Parlino;
using namespace Parlino::NotchPlacement;
using TestSupport::pumpUntil;

namespace {

constexpr qreal screenBottom = 1080;

// Counts the left presses that reach it.
class PressCounter : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton)
            ++presses;
    }
};

// The test's own view of the X server, apart from the application's connection.
class XServer {
public:
    XServer() : m_display(XOpenDisplay(nullptr)) {}
    ~XServer() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Display* display() const { return m_display; }
    Window root() const { return DefaultRootWindow(m_display); }
    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

    struct Placement {
        QRect rect;
        bool overrideRedirect = false;
        bool viewable = false;
    };
    Placement placement(WId id) const {
        XWindowAttributes attributes;
        XGetWindowAttributes(m_display, Window(id), &attributes);
        int x = 0;
        int y = 0;
        Window child = None;
        XTranslateCoordinates(m_display, Window(id), root(), 0, 0, &x, &y, &child);
        return {QRect(x, y, attributes.width, attributes.height),
                attributes.override_redirect == True, attributes.map_state == IsViewable};
    }

    std::optional<unsigned long> cardinal(Window window, const char* name, Atom type) const {
        Atom actual = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long remaining = 0;
        unsigned char* data = nullptr;
        std::optional<unsigned long> value;
        if (XGetWindowProperty(m_display, window, atom(name), 0, 1, False, type, &actual, &format,
                               &count, &remaining, &data) == Success &&
            data && count == 1)
            value = *reinterpret_cast<unsigned long*>(data);
        if (data)
            XFree(data);
        return value;
    }
    // The process of the window the manager calls active, if any.
    std::optional<unsigned long> activeProcess() const {
        const auto active = cardinal(root(), "_NET_ACTIVE_WINDOW", XA_WINDOW);
        if (!active || *active == None)
            return std::nullopt;
        return cardinal(Window(*active), "_NET_WM_PID", XA_CARDINAL);
    }

    // The position of `id` among the root's children, bottom first.
    qsizetype stackingIndex(WId id) const {
        Window rootReturn = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        XQueryTree(m_display, root(), &rootReturn, &parent, &children, &count);
        qsizetype index = -1;
        for (unsigned int i = 0; i < count; ++i) {
            if (children[i] == Window(id))
                index = i;
        }
        if (children)
            XFree(children);
        return index;
    }

private:
    Display* m_display;
};

// A top panel that reserves `height` pixels at the top of the screen, as a desktop's would.
class ReservingDock {
public:
    ReservingDock(const XServer& x, int height) : m_x(x) {
        Display* display = x.display();
        m_window = XCreateSimpleWindow(display, x.root(), 0, 0, 1920, height, 0, 0, 0);
        const Atom dock = x.atom("_NET_WM_WINDOW_TYPE_DOCK");
        XChangeProperty(display, m_window, x.atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
        const long strut[12] = {0, 0, height, 0, 0, 0, 0, 0, 0, 1919, 0, 0};
        XChangeProperty(display, m_window, x.atom("_NET_WM_STRUT_PARTIAL"), XA_CARDINAL, 32,
                        PropModeReplace, reinterpret_cast<const unsigned char*>(strut), 12);
        XMapWindow(display, m_window);
        XFlush(display);
    }
    ~ReservingDock() {
        XDestroyWindow(m_x.display(), m_window);
        XFlush(m_x.display());
    }

private:
    const XServer& m_x;
    Window m_window;
};

bool availableTopIs(int top) {
    return pumpUntil(
        [&] { return QGuiApplication::primaryScreen()->availableGeometry().top() == top; });
}

// Pointer and keys through XTest, as the user's own devices would send them.
void xdotool(const QStringList& arguments) {
    ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}
void clickAt(QPoint point) {
    xdotool({"mousemove", QString::number(point.x()), QString::number(point.y()), "click", "1"});
}

// Where a frame in the surfaces' bottom-up coordinates lands on this X screen.
QRect onX(const QRectF& frame) {
    return flippedRect(frame, screenBottom).toAlignedRect();
}

class FloatingWindowsE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(x.display() && QGuiApplication::platformName() == u"xcb",
                                "no X display");
        ASSERT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1920, 1080));
    }

    ScreenScalars currentScalars() {
        CurrentScreen current(provider);
        current.refresh();
        return current.scalars().value();
    }

    // Shows all five surfaces where the controller places them, the tutorial card below the
    // panel.
    void presentAll(const ScreenScalars& screen) {
        presentIdleBarWindow(idleBar, screen);
        presentBubbleWindow(bubble, screen);
        presentWarningWindow(warning, screen);
        onboarding.setFrame(QRectF(712, 400, 496, 300), true);
        onboarding.orderFront();
        presentPanelWindow(panel, screen);
    }

    bool landed(X11SurfaceWindow& surface, const QRect& where) {
        return pumpUntil([&] {
            const auto placement = x.placement(surface.window().winId());
            return placement.viewable && placement.rect == where;
        });
    }

    XServer x;
    X11ScreenProvider provider;
    X11SurfaceWindow panel{SurfaceKind::panel};
    X11SurfaceWindow bubble{SurfaceKind::bubble};
    X11SurfaceWindow idleBar{SurfaceKind::idleBar};
    X11SurfaceWindow warning{SurfaceKind::warning};
    X11SurfaceWindow onboarding{SurfaceKind::onboarding};
};

TEST_F(FloatingWindowsE2E, placesTheSurfacesReachingAboveTheTopEdgeOfAPlainScreen) {
    ASSERT_TRUE(availableTopIs(0));
    const ScreenScalars screen = currentScalars();
    EXPECT_EQ(topInset(screen), 0);

    presentAll(screen);

    // The pills' upper halves (room for their slide) lie above the screen.
    EXPECT_TRUE(landed(bubble, QRect(850, -34, 220, 68)));
    EXPECT_TRUE(landed(idleBar, QRect(850, -17, 220, 38)));
    EXPECT_TRUE(landed(warning, QRect(800, -34, 320, 68)));
    EXPECT_TRUE(landed(panel, QRect(704, 0, 512, 328)));
    EXPECT_TRUE(landed(onboarding, QRect(712, 380, 496, 300)));
    EXPECT_TRUE(provider.hasCompositor());
    for (X11SurfaceWindow* surface : {&panel, &bubble, &idleBar, &warning, &onboarding})
        EXPECT_TRUE(x.placement(surface->window().winId()).overrideRedirect);
    EXPECT_GT(x.stackingIndex(onboarding.window().winId()), x.stackingIndex(panel.window().winId()))
        << "the card stays above the panel ordered front after it";
}

TEST_F(FloatingWindowsE2E, placesTheSurfacesUnderATopPanelThatReservesItsHeight) {
    const ReservingDock dock(x, 26);
    ASSERT_TRUE(availableTopIs(26));
    const ScreenScalars screen = currentScalars();
    EXPECT_EQ(topInset(screen), 26);

    presentAll(screen);

    EXPECT_TRUE(landed(bubble, QRect(850, -8, 220, 68)));
    EXPECT_TRUE(landed(idleBar, QRect(850, 9, 220, 38)));
    EXPECT_TRUE(landed(warning, QRect(800, -8, 320, 68)));
    EXPECT_TRUE(landed(panel, onX(panelWindowFrame(screen))));
    EXPECT_TRUE(landed(panel, QRect(704, 0, 512, 328)));
}

TEST_F(FloatingWindowsE2E, togglesClickThroughWithoutUnmappingOrSwallowingClicks) {
    PressCounter below;
    below.setGeometry(600, 300, 400, 300);
    below.show();
    ASSERT_TRUE(pumpUntil([&] { return x.placement(below.winId()).viewable; }));
    auto* content = new PressCounter;
    panel.setContentView(content);
    panel.setFrame(flippedRect(QRectF(650, 330, 300, 100), screenBottom), true);
    panel.orderFront();
    ASSERT_TRUE(landed(panel, QRect(650, 330, 300, 100)));
    XSelectInput(x.display(), Window(panel.window().winId()), StructureNotifyMask);
    XFlush(x.display());

    panel.setIgnoresMouse(true);
    clickAt({800, 380});
    EXPECT_TRUE(pumpUntil([&] { return below.presses == 1; }));
    EXPECT_EQ(content->presses, 0);

    // The click raised and activated the window below; the panel stays above it all the same.
    panel.setIgnoresMouse(false);
    clickAt({800, 380});
    EXPECT_TRUE(pumpUntil([&] { return content->presses == 1; }));

    // The part a grown window gains takes clicks too.
    panel.setFrame(flippedRect(QRectF(650, 330, 300, 200), screenBottom), true);
    ASSERT_TRUE(landed(panel, QRect(650, 330, 300, 200)));
    clickAt({800, 500});
    EXPECT_TRUE(pumpUntil([&] { return content->presses == 2; }));
    EXPECT_EQ(below.presses, 1);

    TestSupport::drainEvents();
    int unmaps = 0;
    while (XPending(x.display())) {
        XEvent event;
        XNextEvent(x.display(), &event);
        unmaps += event.type == UnmapNotify;
    }
    EXPECT_EQ(unmaps, 0);
    EXPECT_TRUE(x.placement(panel.window().winId()).viewable);
}

// The application the user works in: a line edit that reports its key presses.
class FocusedApplication {
public:
    FocusedApplication() {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "xcb");
        m_process.setProcessEnvironment(environment);
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            while (m_process.canReadLine())
                m_lines << QString::fromUtf8(m_process.readLine()).trimmed();
        });
        m_process.start(QStringLiteral(PARLINO_SELECTION_HOLDER), {});
    }
    ~FocusedApplication() {
        m_process.kill();
        m_process.waitForFinished();
    }
    unsigned long pid() const { return static_cast<unsigned long>(m_process.processId()); }
    bool waitUntilReady() {
        return pumpUntil([&] { return m_lines.indexOf(QRegularExpression("ready .*")) >= 0; },
                         10000);
    }
    qsizetype keyCount() const { return m_lines.filter(QRegularExpression("^key ")).size(); }

private:
    QProcess m_process;
    QStringList m_lines;
};

TEST_F(FloatingWindowsE2E, leavesTheFocusedApplicationFocusedUntilASurfaceIsClicked) {
    FocusedApplication application;
    ASSERT_TRUE(application.waitUntilReady());
    ASSERT_TRUE(pumpUntil([&] { return x.activeProcess() == application.pid(); }));
    int cancels = 0;
    panel.onCancel = [&] { ++cancels; };

    presentAll(currentScalars());
    ASSERT_TRUE(landed(panel, QRect(704, 0, 512, 328)));
    TestSupport::pumpUntil([] { return false; }, 200);

    EXPECT_EQ(x.activeProcess(), application.pid());
    xdotool({"key", "x"});
    EXPECT_TRUE(pumpUntil([&] { return application.keyCount() == 1; }));

    // A click makes the panel key: Esc reaches it, not the application.
    clickAt({960, 200});
    ASSERT_TRUE(pumpUntil([&] { return panel.window().isActiveWindow(); }));
    xdotool({"key", "Escape"});
    EXPECT_TRUE(pumpUntil([&] { return cancels == 1; }));
    EXPECT_EQ(application.keyCount(), 1);

    // Ordered out, it hands the keys back.
    panel.orderOut();
    EXPECT_TRUE(pumpUntil([&] { return x.activeProcess() == application.pid(); }));
    xdotool({"key", "y"});
    EXPECT_TRUE(pumpUntil([&] { return application.keyCount() == 2; }));
}

} // namespace
