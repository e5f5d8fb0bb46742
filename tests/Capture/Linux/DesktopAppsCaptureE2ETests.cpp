// Reads a changing selection from real applications on the desktop that scripts/ci-services.sh
// starts (a GTK 3 editor, a Qt text editor and a terminal) beside four busy loops, through the
// capture as the application builds it. Each round selects another line, waits until the
// application shows that selection, and captures it.
//
// PARLINO_CAPTURE_ROUNDS sets the rounds per application (6 unless set); each application's
// capture times are printed, for measuring by hand: run this program with 30 rounds through
// scripts/ci-services.sh.
#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Base/Sleeper.h"
#include "Capture/AXCaptureStrategy.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/ClipboardCaptureStrategy.h"
#include "Capture/Linux/SystemAXClient.h"
#include "Capture/Linux/SystemKeyPoster.h"
#include "Capture/Linux/SystemPasteboard.h"
#include "Capture/Linux/X11PrimarySelection.h"
#include "Capture/Linux/X11Workspace.h"
#include "support/EventLoop.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Capture;
using TestSupport::pumpUntil;

namespace {

constexpr int lineCount = 20;
constexpr int busyLoopCount = 4;
// Start-up of an application on a loaded machine, in milliseconds.
constexpr int startTimeout = 30000;
// An application showing a selection it was just given, in milliseconds.
constexpr int selectTimeout = 10000;

QString lineText(int line) {
    return QStringLiteral("Line %1 of the text that Parlino reads aloud.").arg(line);
}

int rounds() {
    const int wanted = qEnvironmentVariableIntValue("PARLINO_CAPTURE_ROUNDS");
    return wanted > 0 ? wanted : 6;
}

bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Keeps every core busy while it lives.
class BusyLoops {
public:
    BusyLoops() {
        for (auto& loop : m_loops)
            loop.start(QStringLiteral("sh"), {"-c", "while :; do :; done"});
    }
    ~BusyLoops() {
        for (auto& loop : m_loops) {
            loop.kill();
            loop.waitForFinished();
        }
    }

private:
    QProcess m_loops[busyLoopCount];
};

class DesktopAppsCaptureE2E : public ::testing::Test {
protected:
    void SetUp() override {
        workspace = X11Workspace::open();
        keyPoster = SystemKeyPoster::open();
        primarySelection = X11PrimarySelection::open(Base::SteadyClock::shared(), 0.4);
        ASSERT_TRUE(workspace && keyPoster && primarySelection) << "no X display";
        ASSERT_TRUE(folder.isValid());
        QFile file(folder.filePath("lines.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int line = 0; line < lineCount; ++line)
            file.write((lineText(line) + '\n').toUtf8());
        QGuiApplication::clipboard()->setText(usersClipboard);
    }

    void TearDown() override {
        application.kill();
        application.waitForFinished();
    }

    QString linesFile() const { return folder.filePath("lines.txt"); }

    void start(const QString& program, const QStringList& arguments,
               const QStringList& environment = {}) {
        auto variables = QProcessEnvironment::systemEnvironment();
        for (const QString& variable : environment)
            variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
        application.setProcessEnvironment(variables);
        application.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(&application, &QProcess::readyReadStandardOutput, [this] {
            while (application.canReadLine())
                output << QString::fromUtf8(application.readLine()).chopped(1);
        });
        application.start(program, arguments);
    }

    bool waitUntilFrontmost() {
        return pumpUntil(
            [&] { return workspace->frontmostApp().pid == qint32(application.processId()); },
            startTimeout);
    }

    // The X11 selection that the application offers once it shows the selection.
    bool waitUntilOffered(const QString& text) {
        return pumpUntil(
            [&] {
                return QGuiApplication::clipboard()->text(QClipboard::Selection).trimmed() == text;
            },
            selectTimeout);
    }

    static bool selectLineByKeys(int line) {
        QStringList keys{"key", "--delay", "20", "ctrl+Home"};
        for (int i = 0; i < line; ++i)
            keys << "Down";
        keys << "Home"
             << "shift+End";
        return xdotool(keys);
    }

    // The capture as the application builds it: accessibility first, then the offered selection
    // and the copy keystroke.
    CaptureResult capture() {
        auto gate = std::make_shared<PasteboardGate>(pasteboard, Base::SteadyClock::shared(),
                                                     Base::SteadySleeper::shared(), 0.5);
        const CaptureCoordinator coordinator(
            {std::make_shared<AXCaptureStrategy>(accessibility),
             std::make_shared<ClipboardCaptureStrategy>(
                 primarySelection, gate, keyPoster, 0.005, 0.4, 0.6, [] { return false; },
                 Base::SteadyClock::shared(), Base::SteadySleeper::shared())},
            [this] { return workspace->frontmostApp(); }, [] { return QSet<QString>(); },
            QStringLiteral("com.parlino.app"), [] { return std::optional<Core::FrontmostApp>(); },
            1.0, 1, scheduler);
        std::optional<CaptureResult> result;
        coordinator.capture(CaptureMode::full, [&](CaptureResult r) { result = std::move(r); });
        pumpUntil([&] { return result.has_value(); }, startTimeout);
        return result.value_or(Base::failure(Core::CaptureError::timedOut()));
    }

    // Selects a different line each round, waits until the application shows it and captures
    // it; expects each capture to read that line. With `byAccessibility`, the accessibility
    // interface is to answer: an application still busy with the new selection may leave it
    // without an answer in time, and then the offered selection answers, so only a majority of
    // the rounds is asked of it.
    void readChangingSelection(const char* name, const std::function<bool(int)>& selectLine,
                               const std::function<bool(const QString&)>& waitUntilShown,
                               bool byAccessibility) {
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int read = 0;
        int byInterface = 0;
        for (int round = 0; round < rounds(); ++round) {
            const int line = (round * 7 + 3) % lineCount;
            ASSERT_TRUE(selectLine(line));
            ASSERT_TRUE(waitUntilShown(lineText(line)))
                << name << " round " << round << " shows \""
                << QGuiApplication::clipboard()->text(QClipboard::Selection).toStdString() << '"';
            QElapsedTimer timer;
            timer.start();
            const CaptureResult result = capture();
            milliseconds.push_back(timer.nsecsElapsed() / 1e6);
            EXPECT_TRUE(result) << name << " round " << round << ": error "
                                << int(result.error().kind());
            if (!result)
                continue;
            EXPECT_EQ(result->text.trimmed(), lineText(line)) << name << " round " << round;
            // Only the accessibility interface tells where the selection is.
            EXPECT_TRUE(byAccessibility || !result->selectionBounds) << name << " round " << round;
            read += result->text.trimmed() == lineText(line);
            byInterface += result->selectionBounds.has_value();
        }
        std::sort(milliseconds.begin(), milliseconds.end());
        const auto at = [&](double share) {
            return milliseconds[std::min(milliseconds.size() - 1,
                                         size_t(share * double(milliseconds.size())))];
        };
        std::printf("%s: %d of %zu rounds read, %d through accessibility; capture p50 %.1f ms, "
                    "p95 %.1f ms, max %.1f ms (%d busy loops)\n",
                    name, read, milliseconds.size(), byInterface, at(0.5), at(0.95),
                    milliseconds.back(), busyLoopCount);
        if (byAccessibility) {
            EXPECT_GT(byInterface * 2, rounds()) << name << ": accessibility rarely answered";
        }
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << "the user's clipboard changed";
    }

    const QString usersClipboard = QStringLiteral("the user's own words");
    std::unique_ptr<X11Workspace> workspace;
    std::shared_ptr<SystemKeyPoster> keyPoster;
    std::shared_ptr<X11PrimarySelection> primarySelection;
    std::shared_ptr<SystemAXClient> accessibility = std::make_shared<SystemAXClient>();
    std::shared_ptr<SystemPasteboard> pasteboard = std::make_shared<SystemPasteboard>();
    Base::QtScheduler scheduler;
    QTemporaryDir folder;
    QProcess application;
    QStringList output;
};

TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInAGtkEditor) {
    start(QStringLiteral("mousepad"), {"--disable-server", linesFile()});
    ASSERT_TRUE(waitUntilFrontmost());

    readChangingSelection(
        "mousepad (GTK 3)", selectLineByKeys,
        [this](const QString& text) { return waitUntilOffered(text); }, true);
}

TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInAQtEditor) {
    start(QStringLiteral(PARLINO_SELECTION_HOLDER), {"--lines", linesFile()},
          {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(waitUntilFrontmost());
    ASSERT_TRUE(pumpUntil([&] { return output.indexOf(QRegularExpression("ready .*")) >= 0; },
                          startTimeout))
        << output.join('|').toStdString();

    readChangingSelection(
        "Qt text editor", selectLineByKeys,
        [this](const QString& text) {
            return pumpUntil([&] { return output.contains("selected " + text); }, selectTimeout);
        },
        true);
}

// A terminal offers its selection without a keystroke; a copy keystroke there would interrupt
// the running program, here the `cat` that keeps the terminal open.
TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInATerminalWithoutAnyKeystroke) {
    // Rounds follow each other faster than a user clicks: without a short multi-click time the
    // terminal would take the next drag for a second click that extends the selection.
    start(QStringLiteral("xterm"), {"-geometry", "80x24+100+100", "-xrm", "*multiClickTime: 1",
                                    "-e", "sh", "-c", "cat \"$0\"; exec cat", linesFile()});
    ASSERT_TRUE(waitUntilFrontmost());
    const qint32 pid = qint32(application.processId());
    // xterm's default font has cells of 6 by 13 pixels inside a border of 2. A drag over the
    // line from its first column to the window's right edge selects it, as a user would.
    const auto selectLine = [pid](int line) {
        QProcess search;
        search.start(QStringLiteral("xdotool"), {"search", "--pid", QString::number(pid)});
        if (!search.waitForFinished())
            return false;
        const QString id = QString::fromUtf8(search.readAllStandardOutput()).section('\n', 0, 0);
        const QString y = QString::number(2 + 13 * line + 6);
        return xdotool({"mousemove", "--sync", "--window", id, "3", y}) &&
               xdotool({"mousedown", "1"}) &&
               xdotool({"mousemove", "--sync", "--window", id, "480", y}) &&
               xdotool({"mouseup", "1"});
    };

    readChangingSelection(
        "xterm", selectLine, [this](const QString& text) { return waitUntilOffered(text); }, false);
    EXPECT_EQ(application.state(), QProcess::Running) << "the terminal's program was interrupted";
}

} // namespace
