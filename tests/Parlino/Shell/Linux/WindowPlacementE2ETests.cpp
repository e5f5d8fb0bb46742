// The real application's settings and clips windows as a new user opens them from the tray, in
// the desktop session of scripts/ci-services.sh: at the first start they stand clear of the
// reading panel and the tutorial's card, at twice the scale the settings window fits the
// screen and the panel makes room for its key field, and Ctrl+W closes them. The tutorial's card
// takes the clicks only where it is, at every scale, and the settings window shows the card's
// pages while the panel is up for it.
#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;

namespace {

// Where the element with this accessible name shows in the window with this title of the
// application with process id `pid`, in the screen's pixels: the accessibility bus gives it in the
// application's own units, `scale` pixels each. None while no such element shows.
std::optional<QRect> accessiblePlace(qint64 pid, const QString& name, const QString& window,
                                     qreal scale) {
    QProcess probe;
    probe.start(
        QStringLiteral(PARLINO_ACCESSIBLE_PROBE),
        {QStringLiteral("--pid"), QString::number(pid), QStringLiteral("find"), name, window});
    if (!probe.waitForFinished(5000) || probe.exitCode() != 0)
        return std::nullopt;
    const QList<QByteArray> numbers = probe.readAllStandardOutput().simplified().split(' ');
    if (numbers.size() != 4)
        return std::nullopt;
    return QRectF(numbers[0].toInt() * scale, numbers[1].toInt() * scale,
                  numbers[2].toInt() * scale, numbers[3].toInt() * scale)
        .toRect();
}

// What the probe lists of the window with this title of the application with process id `pid`,
// one element a line.
QStringList accessibleTree(qint64 pid, const QString& window) {
    QProcess probe;
    probe.start(QStringLiteral(PARLINO_ACCESSIBLE_PROBE),
                {QStringLiteral("--pid"), QString::number(pid), QStringLiteral("dump")});
    if (!probe.waitForFinished(5000) || probe.exitCode() != 0)
        return {};
    QStringList tree;
    bool inWindow = false;
    // The windows are the application's children, two spaces in; their elements lie deeper.
    static const QRegularExpression windowLine(QStringLiteral("^  \\S"));
    for (const QString& line : QString::fromUtf8(probe.readAllStandardOutput()).split(u'\n')) {
        if (windowLine.match(line).hasMatch())
            inWindow = line.contains(u'"' + window + u'"');
        else if (inWindow)
            tree << line.trimmed();
    }
    return tree;
}

// Whether the window with this title shows the settings page `page` as the chosen one.
bool showsPage(qint64 pid, const QString& window, const QString& page) {
    return !accessibleTree(pid, window)
                .filter(QStringLiteral("page tab \"%1\" selected ").arg(page))
                .isEmpty();
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
        // The instance before ends first: ending, it writes its settings, which would bring back
        // the file a first start goes without.
        app.reset();
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
        pumpUntil([&] { return (frame = desktop.framedWindow(title)).has_value(); }, 10000);
        return frame;
    }
    // The window's frame once it stands clear of `surfaces`, or where it stands when the wait's
    // bound is reached: a busy window manager may first map a new window where it puts windows of
    // its own choosing.
    std::optional<QRect> waitForWindowClearOf(const QString& title, const QList<QRect>& surfaces) {
        std::optional<QRect> frame = waitForWindow(title);
        pumpUntil(
            [&] {
                frame = desktop.framedWindow(title);
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
        EXPECT_TRUE(pumpUntil([&] { return !desktop.framedWindow(title).has_value(); })) << log();
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
        window = desktop.framedWindow(title);
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

// Shown, closed and shown again three times, the settings and clips windows come back to the
// very pixel where they were, at every scale, and stand whole on the screen below the session's
// tray strip, which reserves no room: at twice the scale the clips window, taller than the
// screen, fills the height below the strip with its title bar in reach.
TEST_F(WindowPlacementE2E, TheWindowsComeBackToThePixelBelowTheTrayStripAtEveryScale) {
    const auto tray = desktop.framedWindow(QStringLiteral("panel"));
    ASSERT_TRUE(tray.has_value()) << "the session's tray strip";
    ASSERT_EQ(tray->top(), screen.top());
    for (const char* scale : {"1", "1.5", "2"}) {
        SCOPED_TRACE(scale);
        launch(false, QString::fromLatin1(scale));
        for (const auto& [downs, title] : {std::pair{2, QStringLiteral("Parlino Settings")},
                                           std::pair{3, QStringLiteral("Audio Clips")}}) {
            SCOPED_TRACE(title.toStdString());
            const auto placed = [&] {
                return app->lines().filter(QRegularExpression(QStringLiteral("frame (not )?told")));
            };
            const qsizetype before = placed().size();
            choose(downs);
            ASSERT_TRUE(waitForWindow(title).has_value()) << log();
            // The first showing is placed once more when the manager tells another frame, and
            // the manager may have put it elsewhere first: it is where it was once it stands where
            // the application last asked.
            pumpUntil([&] { return placed().size() > before; }, 5000);
            EXPECT_TRUE(pumpUntil([&] { return desktop.standsWhereAsked(title); })) << log();
            const auto first = waitForWindow(title);
            ASSERT_TRUE(first.has_value()) << log();
            EXPECT_TRUE(screen.contains(*first));
            EXPECT_GT(first->top(), tray->bottom()) << "the title bar below the tray strip";
            for (int showing = 2; showing <= 4; ++showing) {
                closeWithControlW(title);
                choose(downs);
                std::optional<QRect> again;
                pumpUntil([&] { return (again = desktop.framedWindow(title)) == first; }, 3000);
                ASSERT_TRUE(again.has_value()) << log();
                EXPECT_EQ(*again, *first) << "showing " << showing << "\n" << log();
            }
            screenshot(QStringLiteral("%1-shown-again-scale-%2")
                           .arg(title.section(u' ', -1).toLower(), QString::fromLatin1(scale)));
            closeWithControlW(title);
        }
        app.reset();
    }
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

// At every scale the window under the pointer at each of the panel's header buttons is the
// panel, and between the panel and the tutorial's card it is the user's window beneath: the
// card's window, which reaches from the top of the screen down to the card, takes the clicks
// only where the card is. A click on the panel acts; one beside the card gives the keyboard, which
// the card took as it came up, to the user's window.
TEST_F(WindowPlacementE2E, TheTutorialsCardTakesTheClicksOnlyWhereItIsAtEveryScale) {
    ASSERT_TRUE(clearKey()) << "a new user has no key yet";
    const QString beneath = QStringLiteral("The window beneath the tutorial");
    const Program terminal(QStringLiteral("xterm"),
                           {QStringLiteral("-title"), beneath, QStringLiteral("-geometry"),
                            QStringLiteral("320x90+0+0")},
                           QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(pumpUntil([&] { return desktop.activeWindowTitle() == beneath; }, 10000));
    const QString panelTitle = QStringLiteral("Parlino Panel");
    for (const qreal scale : {1.0, 1.5, 2.0}) {
        SCOPED_TRACE(scale);
        launch(true, QString::number(scale), true);
        ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());
        const qint64 pid = app->processId();
        ASSERT_TRUE(pumpUntil(
            [&] {
                return accessiblePlace(pid, QStringLiteral("Next"),
                                       QStringLiteral("Parlino Tutorial"), scale)
                    .has_value();
            },
            10000))
            << log();
        for (const char* name : {"Settings", "Voices", "Audio Clips", "No API Key", "Mute Parlino",
                                 "Pin panel open", "Close"}) {
            const auto button = accessiblePlace(pid, QString::fromUtf8(name), panelTitle, scale);
            ASSERT_TRUE(button.has_value()) << name;
            EXPECT_EQ(desktop.windowTitleAt(button->center()).toStdString(),
                      panelTitle.toStdString())
                << name;
        }
        // The card is 132 units tall at the bottom of its window, 22 below the panel's sheet.
        const int cardTop = surfaces.card->bottom() + 1 - qRound(132 * scale);
        const QPoint gap(screen.center().x(), (surfaces.panel->bottom() + cardTop) / 2);
        ASSERT_LT(surfaces.panel->bottom(), gap.y());
        EXPECT_EQ(desktop.windowTitleAt(gap).toStdString(), beneath.toStdString());
        screenshot(QStringLiteral("tutorial-scale-%1").arg(scale));

        // The card came up with the keyboard; a click beside it hands it to the window there.
        ASSERT_TRUE(
            pumpUntil([&] { return desktop.focusedWindowTitle() == u"Parlino Tutorial"_qs; }));
        desktop.clickAt(gap);
        EXPECT_TRUE(pumpUntil([&] { return desktop.focusedWindowTitle() == beneath; }))
            << desktop.focusedWindowTitle().toStdString();
        const auto settings = accessiblePlace(pid, QStringLiteral("Settings"), panelTitle, scale);
        ASSERT_TRUE(settings.has_value());
        desktop.clickAt(settings->center());
        EXPECT_TRUE(pumpUntil([&] {
            return showsPage(pid, panelTitle, QStringLiteral("General"));
        })) << "the panel's Settings button opened no settings";
    }
}

// At twice the scale the panel goes up for the settings window: the window then shows the page
// of the card in front, and the card's words speak of the window; closed, the panel's words
// come back.
TEST_F(WindowPlacementE2E, WhileThePanelIsUpForTheSettingsWindowTheWindowShowsTheCardsPage) {
    ASSERT_TRUE(clearKey()) << "a new user has no key yet";
    launch(true, QStringLiteral("2"), true);
    ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());
    const qint64 pid = app->processId();
    const QString tutorial = QStringLiteral("Parlino Tutorial");
    const QString title = QStringLiteral("Parlino Settings");
    const auto says = [&](const QString& words) {
        return !accessibleTree(pid, tutorial).filter(words).isEmpty();
    };
    // Pressed once the card answers on the bus: a press retried after a late answer would skip
    // a card.
    ASSERT_TRUE(pumpUntil([&] { return says(QStringLiteral("\"Next\"")); }, 10000)) << log();
    ASSERT_TRUE(pressAccessible(pid, QStringLiteral("Next"), tutorial));
    ASSERT_TRUE(pumpUntil([&] { return says(QStringLiteral("API Key to get started")); }));
    choose(2);
    ASSERT_TRUE(waitForWindow(title).has_value()) << log();
    EXPECT_TRUE(pumpUntil([&] { return showsPage(pid, title, QStringLiteral("API Key")); }))
        << "the key's card shows the API Key pane";
    // On to the voices card, one card at a time.
    for (const char* words : {"10,000 characters", "highlight any block", "media keys"}) {
        ASSERT_TRUE(pressAccessible(pid, QStringLiteral("Next"), tutorial));
        ASSERT_TRUE(pumpUntil([&] { return says(QString::fromUtf8(words)); })) << words;
    }
    ASSERT_TRUE(pressAccessible(pid, QStringLiteral("Next"), tutorial));
    EXPECT_TRUE(pumpUntil([&] { return showsPage(pid, title, QStringLiteral("Voice")); }));
    EXPECT_TRUE(pumpUntil([&] { return says(QStringLiteral("in the Voice pane")); }));
    screenshot(QStringLiteral("tutorial-voices-settings-scale-2"));

    closeWithControlW(title);
    EXPECT_TRUE(pumpUntil([&] { return says(QStringLiteral("Press the voices tab")); }))
        << "without the window the card speaks of the panel again";
}

// A newcomer without a mouse, at the normal scale and at twice it: the card has the keyboard as
// it comes up over the user's window, Tab goes from the card to the panel and Shift+Tab back,
// Space walks the steps and Return on "Let's go!" ends the tutorial, when the keyboard is back in
// the user's window.
TEST_F(WindowPlacementE2E, TheTutorialIsWalkedToItsEndByTheKeyboardAlone) {
    const QString user = QStringLiteral("The window the user works in");
    const Program terminal(QStringLiteral("xterm"),
                           {QStringLiteral("-title"), user, QStringLiteral("-geometry"),
                            QStringLiteral("320x90+0+600")},
                           QProcessEnvironment::systemEnvironment());
    ASSERT_TRUE(pumpUntil([&] { return desktop.focusedWindowTitle() == user; }, 10000));
    const QString tutorial = QStringLiteral("Parlino Tutorial");
    for (const char* scale : {"1", "2"}) {
        SCOPED_TRACE(scale);
        launch(true, QString::fromLatin1(scale), true);
        ASSERT_NO_FATAL_FAILURE(waitForTheTutorial());
        const qint64 pid = app->processId();
        // The words of the step on show.
        const auto words = [&] {
            const QStringList labels =
                accessibleTree(pid, tutorial).filter(QStringLiteral("label"));
            return labels.isEmpty() ? QString() : labels.constFirst();
        };
        const auto focusedOn = [&](const QString& window, const QString& control) {
            return pumpUntil([&] {
                return desktop.focusedWindowTitle() == window &&
                       !accessibleTree(pid, window)
                            .filter(QStringLiteral("\"%1\" focused").arg(control))
                            .isEmpty();
            });
        };
        // From Next past the close button to the panel's first button, and back, a key at a time.
        const QString panel = QStringLiteral("Parlino Panel");
        ASSERT_TRUE(focusedOn(tutorial, QStringLiteral("Next")))
            << desktop.focusedWindowTitle().toStdString() << log();
        desktop.tap(XK_Tab);
        ASSERT_TRUE(focusedOn(tutorial, QStringLiteral("Close tutorial")));
        desktop.tap(XK_Tab);
        ASSERT_TRUE(focusedOn(panel, QStringLiteral("Settings")));
        desktop.key(XK_Shift_L, True);
        desktop.tap(XK_Tab);
        ASSERT_TRUE(focusedOn(tutorial, QStringLiteral("Close tutorial")));
        desktop.tap(XK_Tab);
        desktop.key(XK_Shift_L, False);
        ASSERT_TRUE(focusedOn(tutorial, QStringLiteral("Next")));

        for (int step = 1; step < 8; ++step) {
            screenshot(QStringLiteral("tutorial-keys-scale-%1-step-%2").arg(scale).arg(step));
            const QString before = words();
            desktop.tap(XK_space);
            ASSERT_TRUE(pumpUntil([&] { return words() != before; })) << "step " << step;
        }
        ASSERT_TRUE(focusedOn(tutorial, QStringLiteral("Let's go!")));
        screenshot(QStringLiteral("tutorial-keys-scale-%1-step-8").arg(scale));
        desktop.tap(XK_Return);
        EXPECT_TRUE(pumpUntil([&] { return !desktop.shownWindow(tutorial).has_value(); }));
        EXPECT_TRUE(pumpUntil([&] { return desktop.focusedWindowTitle() == user; }))
            << desktop.focusedWindowTitle().toStdString();
        app.reset();
    }
}
