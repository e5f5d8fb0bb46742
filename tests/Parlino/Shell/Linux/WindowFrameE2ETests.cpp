// The real application's settings window opened from the tray during a read, in the desktop
// session of scripts/ci-services.sh, at one, one and a half and twice the scale: the window
// manager's frame around it, taken from the manager's own window, lies inside the screen, also
// under a theme whose frame is thicker than the one the application assumes before the manager
// tells it. The window is placed again at most once for the frame it is told.
#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/SpeechStandIn.h"

#include <QDir>
#include <QFile>
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
        desktop.openMenuAt(desktop.trayIcon()->center(), Button1);
        if (!pumpUntil([&] { return desktop.keyboardIsGrabbed(); }))
            return std::nullopt;
        desktop.tap(XK_Down);
        desktop.tap(XK_Down);
        desktop.tap(XK_Return);
        pumpUntil([&] { return placements().size() > told; }, 10000);
        std::optional<QRect> frame;
        std::optional<QRect> before;
        pumpUntil(
            [&] {
                before = std::exchange(frame, desktop.framedWindow(settingsTitle));
                return frame && frame == before && screen.contains(*frame);
            },
            5000);
        return frame;
    }

    // Each placement of the window for the frame the manager told: "placed again" or "as
    // assumed".
    QStringList placements() const { return app->lines().filter(QStringLiteral("frame told")); }

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

        desktop.key(XK_Control_L, True);
        desktop.tap(XK_w);
        desktop.key(XK_Control_L, False);
        ASSERT_TRUE(pumpUntil([&] { return !desktop.framedWindow(settingsTitle); })) << log();
        const auto again = openSettings();
        ASSERT_TRUE(again.has_value()) << log();
        // Qt keeps a window's place in whole logical pixels: at one and a half times the scale
        // the frame may come back one device pixel off.
        EXPECT_LE((again->topLeft() - frame->topLeft()).manhattanLength(), 2)
            << "shown again where it was";
        EXPECT_EQ(again->size(), frame->size());
        EXPECT_EQ(placements().size(), 2) << log();
        EXPECT_TRUE(placements().value(1).contains(QStringLiteral("as assumed"))) << log();
        app.reset();
    }
}
