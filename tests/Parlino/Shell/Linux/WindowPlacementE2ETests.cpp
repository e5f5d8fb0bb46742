// The real application's settings and clips windows as a new user opens them from the tray, in
// the desktop session of scripts/ci-services.sh: at the first start they stand clear of the
// reading panel and the tutorial's card, at twice the scale the settings window fits the
// screen and the panel makes room for its key field, and Ctrl+W closes them.
#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
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

// Where the element with this accessible name shows in the window with this title of the
// application with process id `pid`, in the screen's pixels: the accessibility bus gives it in the
// application's own units, `scale` pixels each. None while no such element shows.
std::optional<QRect> accessiblePlace(qint64 pid, const QString& name, const QString& window,
                                     int scale) {
    QProcess probe;
    probe.start(
        QStringLiteral(PARLINO_ACCESSIBLE_PROBE),
        {QStringLiteral("--pid"), QString::number(pid), QStringLiteral("find"), name, window});
    if (!probe.waitForFinished(5000) || probe.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> numbers = probe.readAllStandardOutput().simplified().split(' ');
    if (numbers.size() != 4)
        return std::nullopt;
    return QRect(numbers[0].toInt() * scale, numbers[1].toInt() * scale, numbers[2].toInt() * scale,
                 numbers[3].toInt() * scale);
}

bool pressAccessible(qint64 pid, const QString& name, const QString& window) {
    return QProcess::execute(QStringLiteral(PARLINO_ACCESSIBLE_PROBE),
                             {QStringLiteral("--pid"), QString::number(pid),
                              QStringLiteral("press"), name, window}) == 0;
}

std::string describe(const QRect& window, const QRect& surface) {
    return QStringLiteral("%1,%2 %3x%4 over %5,%6 %7x%8")
        .arg(window.x())
        .arg(window.y())
        .arg(window.width())
        .arg(window.height())
        .arg(surface.x())
        .arg(surface.y())
        .arg(surface.width())
        .arg(surface.height())
        .toStdString();
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
    // Starts the application; `firstStart` leaves the tutorial unseen, `accessible` has it answer
    // on the accessibility bus.
    void launch(bool firstStart, const QString& scale = QStringLiteral("1"),
                bool accessible = false) {
        QProcessEnvironment environment =
            applicationEnvironment(home, QUrl(QStringLiteral("http://127.0.0.1:9")));
        ASSERT_FALSE(environment.isEmpty());
        if (firstStart) {
            ASSERT_TRUE(QFile::remove(home.filePath("config/Parlino/com.parlino.app.json")));
        }
        environment.insert("QT_SCALE_FACTOR", scale);
        if (accessible)
            environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
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
    // The window's frame once it stands clear of `surfaces`, or where it stands when the wait's
    // bound is reached: a busy window manager may first map a new window where it puts windows of
    // its own choosing.
    std::optional<QRect> waitForWindowClearOf(const QString& title, const QList<QRect>& surfaces) {
        std::optional<QRect> frame = waitForWindow(title);
        pumpUntil(
            [&] {
                frame = framedWindow(title);
                return frame && std::none_of(surfaces.begin(), surfaces.end(),
                                             [&](const QRect& s) { return s.intersects(*frame); });
            },
            5000);
        return frame;
    }
    std::optional<QRect> waitForWindowClearOfTheTutorial(const QString& title) {
        return waitForWindowClearOf(title, {*surfaces.card, *surfaces.panel});
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

    // The floating surfaces shown now.
    QList<QRect> shownSurfaces() const {
        QList<QRect> shown;
        for (const char* title : {"Parlino Panel", "Parlino Tutorial", "Parlino Idle Bar",
                                  "Parlino Bubble", "Parlino Warning"})
            if (const auto surface = desktop.shownWindow(QString::fromLatin1(title)))
                shown.append(*surface);
        return shown;
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
        const auto window = waitForWindowClearOfTheTutorial(title);
        ASSERT_TRUE(window.has_value()) << log();
        screenshot(title.section(u' ', -1).toLower() + QStringLiteral("-first-start"));
        EXPECT_TRUE(screen.contains(*window));
        EXPECT_FALSE(window->intersects(*surfaces.card)) << describe(*window, *surfaces.card);
        EXPECT_FALSE(window->intersects(*surfaces.panel)) << describe(*window, *surfaces.panel);
        closeWithControlW(title);
    }
}

// At one and a half times the scale the strip below the panel and the tutorial's card is lower
// than the settings window's least size, which shows every sidebar row whole: the panel goes up
// out of the way while the card stays, and the window stands below the card.
TEST_F(WindowPlacementE2E, WhereNoPlaceIsClearOfTheSurfacesThePanelMakesRoomForTheWholeSidebar) {
    launch(true, QStringLiteral("1.5"));
    ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());
    choose(2);
    const QString title = QStringLiteral("Parlino Settings");
    ASSERT_TRUE(waitForWindow(title).has_value()) << log();
    std::optional<QRect> window;
    pumpUntil([&] {
        window = framedWindow(title);
        const QList<QRect> shown = shownSurfaces();
        return window && std::none_of(shown.begin(), shown.end(),
                                      [&](const QRect& s) { return s.intersects(*window); });
    });
    ASSERT_TRUE(window.has_value()) << log();
    screenshot(QStringLiteral("settings-first-start-scale-1.5"));
    EXPECT_TRUE(desktop.shownWindow(QStringLiteral("Parlino Tutorial")).has_value())
        << "the tutorial goes on";
    EXPECT_TRUE(screen.contains(*window))
        << window->x() << "," << window->y() << " " << window->width() << "x" << window->height();
    for (const QRect& surface : shownSurfaces())
        EXPECT_FALSE(window->intersects(surface)) << describe(*window, surface);
    EXPECT_GE(window->width(), 1140) << "its own width, which the screen has room for";
    EXPECT_GE(window->height(), 400) << "no lower than its least: eight sidebar rows whole";
}

TEST_F(WindowPlacementE2E, AtTwiceTheScaleTheSettingsWindowFitsTheScreen) {
    launch(false, QStringLiteral("2"));
    const auto idleBar = desktop.shownWindow(QStringLiteral("Parlino Idle Bar"));
    ASSERT_TRUE(idleBar.has_value());
    choose(2);
    const auto window = waitForWindowClearOf(QStringLiteral("Parlino Settings"), {*idleBar});
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

// At twice the scale the panel and the tutorial's card leave no room even for the settings
// window's least size: the panel goes up out of the way while the card stays, and the key field
// and its button show whole, with nothing floating over them.
TEST_F(WindowPlacementE2E, AtTwiceTheScaleThePanelMakesRoomForTheKeyFieldAtTheFirstStart) {
    ASSERT_TRUE(clearKey()) << "a new user has no key yet";
    launch(true, QStringLiteral("2"), true);
    ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());
    choose(2);
    const QString title = QStringLiteral("Parlino Settings");
    ASSERT_TRUE(waitForWindow(title).has_value()) << log();
    const qint64 pid = app->processId();
    std::optional<QRect> field;
    std::optional<QRect> save;
    const auto find = [&] {
        field = accessiblePlace(pid, QStringLiteral("ElevenLabs API key"), title, 2);
        save = accessiblePlace(pid, QStringLiteral("Validate & Save"), title, 2);
        return field && save;
    };
    // Selects the API Key pane, again should a press come before the window took it.
    ASSERT_TRUE(pumpUntil(
        [&] { return pressAccessible(pid, QStringLiteral("API Key"), title) && find(); }, 10000))
        << log();
    const auto clear = [&](const QRect& element) {
        const QList<QRect> surfaces = shownSurfaces();
        return screen.contains(element) &&
               std::none_of(surfaces.begin(), surfaces.end(),
                            [&](const QRect& surface) { return surface.intersects(element); });
    };
    // The panel goes as the window opens; the card may still be on its way up.
    pumpUntil([&] { return find() && clear(*field) && clear(*save); });
    screenshot(QStringLiteral("settings-first-start-scale-2"));
    EXPECT_TRUE(desktop.shownWindow(QStringLiteral("Parlino Tutorial")).has_value())
        << "the tutorial goes on";
    for (const QRect& element : {*field, *save}) {
        EXPECT_TRUE(screen.contains(element)) << element.x() << "," << element.y() << " "
                                              << element.width() << "x" << element.height();
        for (const QRect& surface : shownSurfaces())
            EXPECT_FALSE(element.intersects(surface))
                << element.x() << "," << element.y() << " under " << surface.x() << ","
                << surface.y() << " " << surface.width() << "x" << surface.height();
    }
}
