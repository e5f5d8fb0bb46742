// The real application's settings and clips windows as a new user opens them from the tray, in
// the desktop session of scripts/ci-services.sh: at the first start they stand clear of the
// reading panel and the tutorial's card, at twice the scale the settings window fits the
// screen, and Ctrl+W closes them.
#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;

namespace {

// The window manager's frame around the shown window with this title, as placed on the screen.
std::optional<QRect> framedWindow(const QString& title) {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return std::nullopt;
    const Window root = DefaultRootWindow(display);
    std::optional<QRect> found;
    Window rootReturn = None;
    Window parent = None;
    Window* frames = nullptr;
    unsigned int count = 0;
    XQueryTree(display, root, &rootReturn, &parent, &frames, &count);
    for (unsigned int i = 0; i < count && !found; ++i) {
        XWindowAttributes frame;
        if (!XGetWindowAttributes(display, frames[i], &frame) || frame.map_state != IsViewable)
            continue;
        // The frame itself, or the client the window manager put inside it.
        Window* clients = nullptr;
        unsigned int clientCount = 0;
        XQueryTree(display, frames[i], &rootReturn, &parent, &clients, &clientCount);
        for (unsigned int j = 0; j <= clientCount && !found; ++j) {
            char* name = nullptr;
            const Window window = j < clientCount ? clients[j] : frames[i];
            if (XFetchName(display, window, &name) && name) {
                if (title == QString::fromUtf8(name))
                    found = QRect(frame.x, frame.y, frame.width + 2 * frame.border_width,
                                  frame.height + 2 * frame.border_width);
                XFree(name);
            }
        }
        if (clients)
            XFree(clients);
    }
    if (frames)
        XFree(frames);
    XCloseDisplay(display);
    return found;
}

// Saves what the screen shows under build/screenshots.
void screenshot(const QString& name) {
    QProcess::execute(
        QStringLiteral("import"),
        {"-window", "root", QStringLiteral(PARLINO_SCREENSHOT_DIR "/placement-%1.png").arg(name)});
}

class WindowPlacementE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        ASSERT_TRUE(home.isValid());
    }
    // Starts the application; `firstStart` leaves the tutorial unseen.
    void launch(bool firstStart, const QString& scale = QStringLiteral("1")) {
        QProcessEnvironment environment =
            applicationEnvironment(home, QUrl(QStringLiteral("http://127.0.0.1:9")));
        ASSERT_FALSE(environment.isEmpty());
        if (firstStart) {
            ASSERT_TRUE(QFile::remove(home.filePath("config/Parlino/com.parlino.app.json")));
        }
        environment.insert("QT_SCALE_FACTOR", scale);
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        ASSERT_TRUE(app->waitForLine("tray: icon installed")) << log();
        ASSERT_TRUE(pumpUntil([&] { return (icon = desktop.trayIcon()).has_value(); }, 10000));
    }
    // Chooses the tray menu's item `downs` rows from the top.
    void choose(int downs) {
        desktop.openMenuAt(icon->center(), Button1);
        ASSERT_TRUE(pumpUntil([&] { return desktop.keyboardIsGrabbed(); })) << log();
        for (int row = 0; row < downs; ++row)
            desktop.tap(XK_Down);
        desktop.tap(XK_Return);
    }
    std::optional<QRect> waitForWindow(const QString& title) {
        std::optional<QRect> frame;
        pumpUntil([&] { return (frame = framedWindow(title)).has_value(); }, 10000);
        return frame;
    }
    void closeWithControlW(const QString& title) {
        desktop.key(XK_Control_L, True);
        desktop.tap(XK_w);
        desktop.key(XK_Control_L, False);
        EXPECT_TRUE(pumpUntil([&] { return !framedWindow(title).has_value(); })) << log();
    }
    std::string log() const { return app->lines().join('\n').toStdString(); }
    // The floating surfaces of a first start: the tutorial's card and the panel over it.
    void waitForTheTutorial() {
        ASSERT_TRUE(pumpUntil(
            [&] {
                return (surfaces.card = desktop.shownWindow(QStringLiteral("Parlino Tutorial")))
                    .has_value();
            },
            15000))
            << log();
        surfaces.panel = desktop.shownWindow(QStringLiteral("Parlino Panel"));
        ASSERT_TRUE(surfaces.panel.has_value());
    }

    const QRect screen{0, 0, 1920, 1080};
    Desktop desktop;
    QTemporaryDir home;
    std::unique_ptr<Program> app;
    std::optional<QRect> icon;
    struct {
        std::optional<QRect> card;
        std::optional<QRect> panel;
    } surfaces;
};

} // namespace

TEST_F(WindowPlacementE2E, AtTheFirstStartTheWindowsStandClearOfThePanelAndTheTutorial) {
    launch(true);
    ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());

    for (const auto& [downs, title] : {std::pair{2, QStringLiteral("Parlino Settings")},
                                       std::pair{3, QStringLiteral("Audio Clips")}}) {
        SCOPED_TRACE(title.toStdString());
        choose(downs);
        const auto window = waitForWindow(title);
        ASSERT_TRUE(window.has_value()) << log();
        screenshot(title.section(u' ', -1).toLower() + QStringLiteral("-first-start"));
        EXPECT_TRUE(screen.contains(*window));
        EXPECT_FALSE(window->intersects(*surfaces.card));
        EXPECT_FALSE(window->intersects(*surfaces.panel));
        closeWithControlW(title);
    }
}

// At one and a half times the scale the panel and the tutorial's card leave no place for the
// whole settings window: it is made lower to fit the strip below them, its pane scrolling.
TEST_F(WindowPlacementE2E,
       WhereNoPlaceIsClearTheSettingsWindowShrinksRatherThanGoUnderTheSurfaces) {
    launch(true, QStringLiteral("1.5"));
    ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());
    choose(2);
    const auto window = waitForWindow(QStringLiteral("Parlino Settings"));
    ASSERT_TRUE(window.has_value()) << log();
    screenshot(QStringLiteral("settings-first-start-scale-1.5"));
    EXPECT_TRUE(screen.contains(*window))
        << window->x() << "," << window->y() << " " << window->width() << "x" << window->height();
    EXPECT_FALSE(window->intersects(*surfaces.card));
    EXPECT_FALSE(window->intersects(*surfaces.panel));
    EXPECT_GE(window->width(), 1140) << "its own width, which the strip has room for";
    EXPECT_GE(window->height(), 300) << "no lower than its least, 200 at this scale";
}

TEST_F(WindowPlacementE2E, AtTwiceTheScaleTheSettingsWindowFitsTheScreen) {
    launch(false, QStringLiteral("2"));
    const auto idleBar = desktop.shownWindow(QStringLiteral("Parlino Idle Bar"));
    ASSERT_TRUE(idleBar.has_value());
    choose(2);
    const auto window = waitForWindow(QStringLiteral("Parlino Settings"));
    ASSERT_TRUE(window.has_value()) << log();
    screenshot(QStringLiteral("settings-scale-2"));
    // The session's panel reserves no room: the whole screen is the window's to use, but for the
    // idle bar at its top, which the window stays below.
    EXPECT_TRUE(screen.contains(*window))
        << window->x() << "," << window->y() << " " << window->width() << "x" << window->height();
    EXPECT_FALSE(window->intersects(*idleBar));
    EXPECT_GE(window->width(), 1520) << "its own width where that fits";
    EXPECT_GE(window->height(), 1080 - idleBar->bottom() - 2 * 40) << "no lower than it must be";
}
