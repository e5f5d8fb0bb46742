// The real application's settings window opened from the tray during a read, in the desktop
// session of scripts/ci-services.sh, at one, one and a half and twice the scale: the window
// manager's frame around it, taken from the manager's own window, lies inside the screen, also
// under a theme whose frame is thicker than the one the application assumes before the manager
// tells it, and under a client that answers for the manager with frames no window can have. The
// window is placed again at most once for the frame it is told.
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/SpeechStandIn.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <tuple>

// Xlib's macros (None, Bool) come after every C++ header.
#include "DesktopDriver.h"

using namespace DesktopDriver;

namespace {

const QString settingsTitle = QStringLiteral("Parlino Settings");

// The theme the window manager draws with now.
QString windowManagerTheme() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-root", "_OB_THEME"});
    xprop.waitForFinished(5000);
    return QString::fromUtf8(xprop.readAllStandardOutput()).section(u'"', 1, 1);
}

bool reconfigureWindowManagerTo(const QString& theme) {
    return QProcess::execute(QStringLiteral("openbox"), {"--reconfigure"}) == 0 &&
           pumpUntil([&] { return windowManagerTheme() == theme; }, 10000);
}

// The session's window manager draws a border of 8 pixels and a title bar half as tall again as
// its own while this lives: its theme and its configuration in the session's folders, which the
// manager prefers to its system-wide ones.
class ThickFrames {
public:
    ThickFrames()
        : m_config(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/openbox/rc.xml")),
          m_theme(qEnvironmentVariable("XDG_DATA_HOME") +
                  QStringLiteral("/themes/ParlinoThick/openbox-3/themerc")),
          m_previousTheme(windowManagerTheme()) {}
    ~ThickFrames() {
        QFile::remove(m_config);
        QFile::remove(m_theme);
        reconfigureWindowManagerTo(m_previousTheme);
    }

    bool apply() const {
        return !QFile::exists(m_config) &&
               write(m_theme, "/usr/share/themes/Clearlooks/openbox-3/themerc",
                     {{"border.width: 1", "border.width: 8"},
                      {"padding.height: 2", "padding.height: 8"}}) &&
               write(m_config, "/etc/xdg/openbox/rc.xml",
                     {{"<name>Clearlooks</name>", "<name>ParlinoThick</name>"}}) &&
               reconfigureWindowManagerTo(QStringLiteral("ParlinoThick"));
    }

private:
    // Writes the system's file `original` to `path` with each pair's first text replaced by its
    // second.
    static bool write(const QString& path, const char* original,
                      const QList<std::pair<QByteArray, QByteArray>>& changes) {
        QFile source(QString::fromLatin1(original));
        QFile target(path);
        if (!source.open(QIODevice::ReadOnly) || !QDir().mkpath(QFileInfo(path).path()) ||
            !target.open(QIODevice::WriteOnly))
            return false;
        QByteArray text = source.readAll();
        for (const auto& [from, to] : changes) {
            if (!text.contains(from))
                return false;
            text.replace(from, to);
        }
        return target.write(text) == text.size();
    }

    QString m_config;
    QString m_theme;
    QString m_previousTheme;
};

// A client that answers every question about a window's frame in the window manager's stead,
// with `sides` pixels on each side, and writes its answer back whenever the manager tells the
// truth, while this lives.
class LyingFrames {
public:
    explicit LyingFrames(unsigned long sides) : m_display(XOpenDisplay(nullptr)), m_sides(sides) {
        if (!m_display)
            return;
        m_extents = XInternAtom(m_display, "_NET_FRAME_EXTENTS", False);
        m_request = XInternAtom(m_display, "_NET_REQUEST_FRAME_EXTENTS", False);
        XSelectInput(m_display, DefaultRootWindow(m_display), SubstructureNotifyMask);
        XFlush(m_display);
        m_notifier.emplace(ConnectionNumber(m_display), QSocketNotifier::Read);
        QObject::connect(&*m_notifier, &QSocketNotifier::activated, [this] { answer(); });
    }
    ~LyingFrames() {
        m_notifier.reset();
        if (m_display)
            XCloseDisplay(m_display);
    }
    LyingFrames(const LyingFrames&) = delete;
    LyingFrames& operator=(const LyingFrames&) = delete;

    bool isOpen() const { return m_display != nullptr; }
    int lies() const { return m_lies; }

private:
    void answer() {
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == m_request)
                lie(event.xclient.window);
            else if (event.type == PropertyNotify && event.xproperty.atom == m_extents &&
                     event.xproperty.state == PropertyNewValue &&
                     !toldTheLie(event.xproperty.window))
                lie(event.xproperty.window);
        }
    }

    bool toldTheLie(Window window) const {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        const bool read = XGetWindowProperty(m_display, window, m_extents, 0, 4, False, XA_CARDINAL,
                                             &type, &format, &count, &after, &data) == Success &&
                          data && count == 4;
        // Xlib hands 32-bit values over as longs, sign extended.
        const bool lie = read && (reinterpret_cast<const unsigned long*>(data)[0] & 0xFFFFFFFFul) ==
                                     (m_sides & 0xFFFFFFFFul);
        if (data)
            XFree(data);
        return lie;
    }

    void lie(Window window) {
        const unsigned long sides[4] = {m_sides, m_sides, m_sides, m_sides};
        XChangeProperty(m_display, window, m_extents, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(sides), 4);
        XSelectInput(m_display, window, PropertyChangeMask);
        XFlush(m_display);
        ++m_lies;
    }

    Display* m_display;
    unsigned long m_sides;
    Atom m_extents = None;
    Atom m_request = None;
    std::optional<QSocketNotifier> m_notifier;
    int m_lies = 0;
};

class WindowFrameE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(desktop.isOpen() && TestSupport::inDesktopSession(),
                                "no desktop session (scripts/ci-services.sh starts one)");
        ASSERT_TRUE(home.isValid());
        ASSERT_TRUE(storeKey(QStringLiteral("e2e-key")));
    }

    // Starts the application at `scale`, reads a text and opens Settings from the tray while the
    // read plays; the window's frame once it stands still after the manager has told its frame.
    std::optional<QRect> openSettingsDuringARead(const QString& scale) {
        QProcessEnvironment environment = applicationEnvironment(home, standIn.baseURL());
        environment.insert("QT_SCALE_FACTOR", scale);
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(), environment);
        // Half a minute of speech, still playing when Settings opens.
        QString text;
        for (int sentence = 1; sentence <= 6; ++sentence)
            text += QStringLiteral("Sentence %1 is read aloud while the settings window opens "
                                   "and finds its place on the screen. ")
                        .arg(sentence);
        if (!app->waitForLine("tray: icon installed") ||
            !pumpUntil([&] { return desktop.trayIcon().has_value(); }, 10000) ||
            !callApplication({"com.parlino.app.ReadWithParlino", text}) ||
            !pumpUntil([&] { return playbackStatus() == u"Playing"; }, 20000))
            return std::nullopt;
        return openSettings();
    }

    // Chooses "Settings…" in the tray's menu; the window's frame once it stands still inside the
    // screen after the manager has told its frame, or where it stands at the wait's end.
    std::optional<QRect> openSettings() {
        const qsizetype told = placements().size();
        if (!chooseInTheTray(2))
            return std::nullopt;
        pumpUntil([&] { return placements().size() > told; }, 10000);
        return standingFrame(settingsTitle);
    }

    // Chooses the tray menu's item `place`: 2 "Settings…", 3 "Audio Clips…". Presses the icon
    // again while no menu has opened: on a loaded desktop the tray may miss a press that comes
    // as a window closes.
    bool chooseInTheTray(int place) {
        bool opened = false;
        for (int press = 0; press < 3 && !opened; ++press) {
            desktop.openMenuAt(desktop.trayIcon()->center(), Button1);
            opened = pumpUntil([&] { return desktop.keyboardIsGrabbed(); }, 10000);
        }
        if (!opened)
            return false;
        for (int step = 0; step < place; ++step)
            desktop.tap(XK_Down);
        desktop.tap(XK_Return);
        return true;
    }

    // The frame of the window titled `title` once it stands still inside the screen, or where it
    // stands at the wait's end.
    std::optional<QRect> standingFrame(const QString& title) const {
        std::optional<QRect> frame;
        std::optional<QRect> before;
        pumpUntil(
            [&] {
                before = std::exchange(frame, desktop.framedWindow(title));
                return frame && frame == before && screen.contains(*frame);
            },
            5000);
        return frame;
    }

    void closeWindow(const QString& title) {
        desktop.key(XK_Control_L, True);
        desktop.tap(XK_w);
        desktop.key(XK_Control_L, False);
        pumpUntil([&] { return !desktop.framedWindow(title); });
    }

    // Each placement of the window for the frame the manager told: "placed again" or "as
    // assumed".
    QStringList placements() const { return app->lines().filter(QStringLiteral("frame told")); }
    // How many times a window's frame was followed to the manager's answer or the wait's end.
    qsizetype followingsEnded() const {
        return app->lines().filter(QRegularExpression(QStringLiteral("frame (not )?told"))).size();
    }

    void expectInsideTheScreenAndClearOfTheSurfaces(const QRect& frame) const {
        EXPECT_TRUE(screen.contains(frame))
            << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
        for (const char* surface : {"Parlino Bubble", "Parlino Idle Bar", "Parlino Panel"}) {
            if (const auto shown = desktop.shownWindow(QString::fromLatin1(surface))) {
                EXPECT_FALSE(shown->intersects(frame)) << surface;
            }
        }
    }

    static void screenshot(const QString& name) {
        QProcess::execute(
            QStringLiteral("import"),
            {"-window", "root", QStringLiteral(PARLINO_SCREENSHOT_DIR "/frame-%1.png").arg(name)});
    }

    std::string log() const { return app ? app->lines().join('\n').toStdString() : std::string(); }

    const QRect screen{0, 0, 1920, 1080};
    Desktop desktop;
    QTemporaryDir home;
    TestSupport::SpeechStandIn standIn;
    std::unique_ptr<Program> app;
};

} // namespace

TEST_F(WindowFrameE2E, TheSettingsWindowsFrameLiesInsideTheScreenDuringAReadAtEveryScale) {
    for (const char* scale : {"1", "1.5", "2"}) {
        SCOPED_TRACE(scale);
        const auto frame = openSettingsDuringARead(QString::fromLatin1(scale));
        ASSERT_TRUE(frame.has_value()) << log();
        screenshot(QStringLiteral("settings-during-a-read-scale-%1").arg(scale));
        expectInsideTheScreenAndClearOfTheSurfaces(*frame);
        EXPECT_EQ(placements().size(), 1) << log();
        app.reset();
    }
}

// The theme's frame is thicker than the one assumed until the manager tells it: where the window
// fills the height left to it, it would reach below the screen. Told, it is placed once more
// inside; shown again, it is placed by the frame told before and stays where it was.
TEST_F(WindowFrameE2E, UnderAThickerFrameTheWindowIsPlacedOnceMoreInsideTheScreen) {
    ThickFrames thick;
    ASSERT_TRUE(thick.apply()) << "the window manager did not take the thicker theme";
    for (const char* scale : {"1", "1.5", "2"}) {
        SCOPED_TRACE(scale);
        const auto frame = openSettingsDuringARead(QString::fromLatin1(scale));
        ASSERT_TRUE(frame.has_value()) << log();
        screenshot(QStringLiteral("settings-thick-frame-scale-%1").arg(scale));
        expectInsideTheScreenAndClearOfTheSurfaces(*frame);
        EXPECT_EQ(placements().size(), 1) << log();
        EXPECT_TRUE(placements().value(0).contains(QStringLiteral("8 46 8 8, placed again")))
            << log();

        closeWindow(settingsTitle);
        ASSERT_FALSE(desktop.framedWindow(settingsTitle)) << log();
        const auto again = openSettings();
        ASSERT_TRUE(again.has_value()) << log();
        EXPECT_EQ(*again, *frame) << "shown again where it was, to the pixel";
        EXPECT_EQ(placements().size(), 2) << log();
        EXPECT_TRUE(placements().value(1).contains(QStringLiteral("as assumed"))) << log();
        app.reset();
    }
}

// A client answers each question about a window's frame, before the manager or after it, with
// sides larger than any screen, and puts its answer back over the manager's: Settings and Audio
// Clips stand whole on the screen at their own size, shown again too.
TEST_F(WindowFrameE2E, UnderAClientTellingFramesNoWindowCanHaveTheWindowsStandWholeOnTheScreen) {
    const QString clipsTitle = QStringLiteral("Audio Clips");
    for (const unsigned long sides : {100000ul, 0xFFFFFFFFul}) {
        SCOPED_TRACE(sides);
        LyingFrames lying(sides);
        ASSERT_TRUE(lying.isOpen());
        app = std::make_unique<Program>(QStringLiteral(PARLINO_APP), QStringList(),
                                        applicationEnvironment(home, standIn.baseURL()));
        ASSERT_TRUE(app->waitForLine("tray: icon installed") &&
                    pumpUntil([&] { return desktop.trayIcon().has_value(); }, 10000))
            << log();
        for (int showing = 1; showing <= 2; ++showing)
            for (const auto& [title, place, size] : {std::tuple(settingsTitle, 2, QSize(760, 560)),
                                                     std::tuple(clipsTitle, 3, QSize(520, 620))}) {
                SCOPED_TRACE(title.toStdString() + " " + std::to_string(showing));
                const qsizetype followed = followingsEnded();
                ASSERT_TRUE(chooseInTheTray(place)) << log();
                ASSERT_TRUE(pumpUntil([&] { return followingsEnded() > followed; }, 10000))
                    << log();
                const auto frame = standingFrame(title);
                ASSERT_TRUE(frame.has_value()) << log();
                screenshot(QStringLiteral("lying-%1-%2-%3")
                               .arg(sides)
                               .arg(place == 2 ? "settings" : "clips")
                               .arg(showing));
                EXPECT_TRUE(screen.contains(*frame)) << frame->x() << "," << frame->y() << " "
                                                     << frame->width() << "x" << frame->height();
                EXPECT_GE(frame->width(), size.width());
                EXPECT_GE(frame->height(), size.height());
                closeWindow(title);
            }
        EXPECT_GT(lying.lies(), 0);
        EXPECT_TRUE(
            app->lines().filter(QStringLiteral("16384 16384 16384 16384, placed")).isEmpty())
            << log();
        app.reset();
    }
}
