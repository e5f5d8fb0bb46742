// The desktop capture tests' fixture: real applications started on the desktop that
// scripts/ci-services.sh starts, beside four busy loops, each round making another selection,
// waiting until the application shows it, and capturing it through the capture as the
// application builds it.
//
// PARLINO_CAPTURE_ROUNDS sets the rounds per application (6 unless set); each application's
// capture times are printed, for measuring by hand: run the test program with 30 rounds through
// scripts/ci-services.sh.
#pragma once

#include "Base/Clock.h"
#include "Base/Scheduler.h"
#include "Base/Sleeper.h"
#include "Capture/AXCaptureStrategy.h"
#include "Capture/CaptureCoordinator.h"
#include "Capture/ClipboardCaptureStrategy.h"
#include "Capture/EmbeddedObjects.h"
#include "Capture/Linux/SystemAXClient.h"
#include "Capture/Linux/SystemKeyPoster.h"
#include "Capture/Linux/SystemPasteboard.h"
#include "Capture/Linux/Terminals.h"
#include "Capture/Linux/X11PrimarySelection.h"
#include "Capture/Linux/X11Workspace.h"
#include "Capture/TerminalSelectionStrategy.h"
#include "Core/TextSanitizer.h"
#include "support/EventLoop.h"
#include "support/StartedPrograms.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ranges>
#include <vector>

namespace DesktopAppsCapture {

using namespace Capture;
using TestSupport::pumpUntil;

inline constexpr int lineCount = 20;
// Lines of the file that KWrite shows, more than its window shows.
inline constexpr int kwriteLineCount = 40;
// Lines that a terminal prints first, more than it shows, so that it has scrolled.
inline constexpr int terminalLineCount = 260;
inline constexpr int busyLoopCount = 4;
// Start-up of an application on a loaded machine, in milliseconds.
inline constexpr int startTimeout = 30000;
// An application showing a selection it was just given, in milliseconds.
inline constexpr int selectTimeout = 10000;

inline QString lineText(int line) {
    return QStringLiteral("Line %1 of the text that Parlino reads aloud.").arg(line);
}

// Mousepad keeps the files it shows in GSettings, as a session that it restores at its next start
// when it was killed, as each test ends it: its GSettings live only as long as it runs.
inline const QStringList mousepadEnvironment{QStringLiteral("GSETTINGS_BACKEND=memory")};

inline int rounds() {
    const int wanted = qEnvironmentVariableIntValue("PARLINO_CAPTURE_ROUNDS");
    return wanted > 0 ? wanted : 6;
}

inline bool xdotool(const QStringList& arguments) {
    return QProcess::execute(QStringLiteral("xdotool"), arguments) == 0;
}

// Turns the desktop's accessibility switch on or off, as a screen reader or the desktop's settings
// do: applications that start while it is on offer their accessible trees.
inline bool setDesktopAccessibility(bool on) {
    return QProcess::execute(QStringLiteral("gdbus"),
                             {"call", "--session", "--dest", "org.a11y.Bus", "--object-path",
                              "/org/a11y/bus", "--method", "org.freedesktop.DBus.Properties.Set",
                              "org.a11y.Status", "IsEnabled", on ? "<true>" : "<false>"}) == 0;
}

// Keeps every core busy while it lives.
class BusyLoops {
public:
    BusyLoops() {
        for (auto& loop : m_loops) {
            TestSupport::endWithTheTest(loop);
            loop.start(QStringLiteral("sh"), {"-c", "while :; do :; done"});
        }
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

// Where a terminal's lines show in the active window: the rows between `top` and `bottom` (shares
// of the window's height), from `left` pixels on.
struct TerminalArea {
    double top = 0.35;
    double bottom = 0.85;
    int left = 4;
};

class DesktopAppsCaptureE2E : public ::testing::Test {
protected:
    void SetUp() override {
        workspace = X11Workspace::open();
        keyPoster = SystemKeyPoster::open();
        primarySelection = X11PrimarySelection::open(Base::SteadyClock::shared(), 0.4);
        ASSERT_TRUE(workspace && keyPoster && primarySelection && offeredSelection)
            << "no X display";
        ASSERT_TRUE(folder.isValid());
        ASSERT_FALSE(linesFile(terminalLineCount).isEmpty());
        QFile job(folder.filePath("job.sh"));
        ASSERT_TRUE(job.open(QIODevice::WriteOnly));
        job.write("trap 'echo signal >> \"$2\"' INT QUIT TSTP HUP; cat \"$1\"; echo $$ > \"$3\"; "
                  "while read -r line; do :; done\n");
        QGuiApplication::clipboard()->setText(usersClipboard);
    }

    void TearDown() override {
        application.kill();
        application.waitForFinished();
        if (handedOverTo > 0)
            ::kill(pid_t(handedOverTo), SIGKILL);
    }

    // A file of numbered lines, one a line; empty when it could not be written.
    QString linesFile(int count = lineCount) const {
        const QString path = folder.filePath(QStringLiteral("lines-%1.txt").arg(count));
        QFile file(path);
        if (!file.exists() && file.open(QIODevice::WriteOnly)) {
            for (int line = 0; line < count; ++line)
                file.write((lineText(line) + '\n').toUtf8());
        }
        return file.size() > 0 ? path : QString();
    }

    // A word-processor document of numbered paragraphs, one a line; empty when it could not be
    // written.
    QString paragraphsDocument() const {
        QString body;
        for (int line = 0; line < lineCount; ++line)
            body += QStringLiteral("<text:p>%1</text:p>\n").arg(lineText(line));
        QFile file(folder.filePath("paragraphs.fodt"));
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(
            QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<office:document "
                           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                           "office:version=\"1.2\" "
                           "office:mimetype=\"application/vnd.oasis.opendocument.text\">\n"
                           "<office:body><office:text>\n%1</office:text></office:body>"
                           "</office:document>\n")
                .arg(body)
                .toUtf8());
        return file.fileName();
    }

    // A terminal's job: prints the many lines, then waits for input, noting in a file every
    // signal that reaches it (a copy keystroke would send SIGINT) and, once it has printed, its
    // process in another. The folder's path has no blanks, so the job can be typed as it is.
    QStringList terminalJob() const {
        return {"sh", folder.filePath("job.sh"), linesFile(terminalLineCount),
                folder.filePath("signals"), folder.filePath("job")};
    }
    // The terminal's job is still running and got no signal.
    bool terminalJobUndisturbed() const {
        QFile job(folder.filePath("job"));
        const qint64 pid = job.open(QIODevice::ReadOnly) ? job.readAll().trimmed().toLongLong() : 0;
        return pid > 0 && ::kill(pid_t(pid), 0) == 0 && !QFile::exists(folder.filePath("signals"));
    }
    void endTerminalJob() const {
        QFile job(folder.filePath("job"));
        if (const qint64 pid =
                job.open(QIODevice::ReadOnly) ? job.readAll().trimmed().toLongLong() : 0;
            pid > 0)
            ::kill(pid_t(pid), SIGKILL);
    }

    // Starts the application in a home of its own, so that it depends on nothing that another
    // test, run or the account left (an editor's session to restore after it was killed, a
    // profile's lock) and leaves nothing there.
    void start(const QString& program, const QStringList& arguments,
               const QStringList& environment = {}) {
        auto variables = TestSupport::withOwnHome(QProcessEnvironment::systemEnvironment(),
                                                  folder.filePath("home"));
        for (const QString& variable : environment)
            variables.insert(variable.section('=', 0, 0), variable.section('=', 1));
        application.setProcessEnvironment(variables);
        TestSupport::endWithTheTest(application);
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
    bool waitUntilFrontmost(const QString& bundleID) {
        return pumpUntil([&] { return workspace->frontmostApp().bundleID == bundleID; },
                         startTimeout);
    }

    // What the front-most application offers as its selection, as it would be read aloud. Read
    // afresh each time: this process's clipboard may keep an earlier owner's text on a busy
    // desktop.
    QString offeredText() const {
        const OfferedText offered = offeredSelection->read(
            [](X11Connection&, unsigned long) { return true; }, std::stop_token());
        return offered && *offered ? Core::TextSanitizer::sanitize(**offered) : QString();
    }

    // The X11 selection that the application offers once it shows the selection.
    bool waitUntilOffered(const QString& text) {
        return pumpUntil([&] { return offeredText() == text; }, selectTimeout);
    }

    // Makes a selection until the application offers its text: an application still starting
    // up may miss the first keys or the first drag.
    bool selectUntilOffered(const std::function<bool()>& select, const QString& text) {
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (select() && pumpUntil([&] { return offeredText() == text; }, selectTimeout / 5))
                return true;
        }
        return false;
    }

    static bool selectLineByKeys(int line) {
        QStringList keys{"key", "--delay", "20", "ctrl+Home"};
        for (int i = 0; i < line; ++i)
            keys << "Down";
        keys << "Home"
             << "shift+End";
        return xdotool(keys);
    }

    // The capture as the application builds it: a terminal's offered selection, the accessible
    // text, then the offered selection and the copy keystroke.
    CaptureResult capture() {
        auto gate = std::make_shared<PasteboardGate>(pasteboard, Base::SteadyClock::shared(),
                                                     Base::SteadySleeper::shared(), 0.5);
        const auto terminals = std::make_shared<TerminalDetector>(
            [](const Core::FrontmostApp& app) { return Terminals::isTerminal(app); },
            accessibility);
        const CaptureCoordinator coordinator(
            {std::make_shared<TerminalSelectionStrategy>(primarySelection, terminals),
             std::make_shared<AXCaptureStrategy>(accessibility, primarySelection,
                                                 Base::SteadyClock::shared(),
                                                 Base::SteadySleeper::shared()),
             std::make_shared<ClipboardCaptureStrategy>(
                 primarySelection, gate, keyPoster, terminals, 0.005, 0.4, 0.6,
                 [] { return false; }, Base::SteadyClock::shared(), Base::SteadySleeper::shared())},
            [this] { return workspace->frontmostApp(); }, [] { return QSet<QString>(); },
            QStringLiteral("com.parlino.app"), [] { return std::optional<Core::FrontmostApp>(); },
            1.0, 2, scheduler);
        std::optional<CaptureResult> result;
        coordinator.capture(CaptureMode::full, [&](CaptureResult r) { result = std::move(r); });
        pumpUntil([&] { return result.has_value(); }, startTimeout);
        return result.value_or(Base::failure(Core::CaptureError::timedOut()));
    }

    // One capture of a round, its time noted; a capture that fails fails the round.
    CaptureResult timedCapture(const char* name, int round, std::vector<double>& milliseconds) {
        QElapsedTimer timer;
        timer.start();
        CaptureResult result = capture();
        milliseconds.push_back(timer.nsecsElapsed() / 1e6);
        EXPECT_TRUE(result) << name << " round " << round << ": error "
                            << int(result.error().kind());
        return result;
    }

    // Makes a round's selection in the application; the text it selects, or nothing when it could
    // not be made.
    using Selecting = std::function<std::optional<QString>(int round)>;

    // Selects another line each round with `selectLine`.
    static Selecting lineByLine(std::function<bool(int)> selectLine) {
        return [selectLine = std::move(selectLine)](int round) -> std::optional<QString> {
            const int line = (round * 7 + 3) % lineCount;
            if (!selectLine(line))
                return std::nullopt;
            return lineText(line);
        };
    }

    // Makes a different selection each round, waits until the application shows it and captures
    // it; expects each capture to read that text, as it is read aloud. With `byAccessibility`, the
    // accessibility interface is to answer: an application still busy with the new selection may
    // leave it without an answer in time, and then the offered selection answers, so only a
    // majority of the rounds is asked of it.
    void readChangingSelection(const char* name, const Selecting& select,
                               const std::function<bool(const QString&)>& waitUntilShown,
                               bool byAccessibility) {
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int read = 0;
        int byInterface = 0;
        for (int round = 0; round < rounds(); ++round) {
            const std::optional<QString> selected = select(round);
            ASSERT_TRUE(selected) << name << " round " << round << ": no selection made";
            ASSERT_TRUE(waitUntilShown(*selected))
                << name << " round " << round << " shows \"" << offeredText().toStdString() << '"';
            const CaptureResult result = timedCapture(name, round, milliseconds);
            if (!result)
                continue;
            const QString text = Core::TextSanitizer::sanitize(result->text);
            EXPECT_EQ(text.toStdString(), selected->toStdString()) << name << " round " << round;
            EXPECT_FALSE(result->text.contains(QChar(EmbeddedObjects::character)))
                << name << " round " << round << ": an embedded object was read as it stands";
            // Only the accessibility interface tells where the selection is.
            EXPECT_TRUE(byAccessibility || !result->selectionBounds) << name << " round " << round;
            read += text == *selected;
            byInterface += result->path == Core::CapturePath::accessibility;
        }
        report(name, milliseconds, read, byInterface);
        if (byAccessibility) {
            EXPECT_GT(byInterface * 2, rounds()) << name << ": accessibility rarely answered";
        }
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << "the user's clipboard changed";
    }

    static void report(const char* name, std::vector<double> milliseconds, int read,
                       int byInterface, const char* outcome = "read") {
        std::sort(milliseconds.begin(), milliseconds.end());
        const auto at = [&](double share) {
            return milliseconds[std::min(milliseconds.size() - 1,
                                         size_t(share * double(milliseconds.size())))];
        };
        std::printf("%s: %d of %zu rounds %s, %d through accessibility; capture p50 %.1f ms, "
                    "p95 %.1f ms, max %.1f ms (%d busy loops)\n",
                    name, read, milliseconds.size(), outcome, byInterface, at(0.5), at(0.95),
                    milliseconds.back(), busyLoopCount);
    }

    // Drags the mouse over a row of the terminal in the active window, a different row each round,
    // and captures the line that the terminal then offers as its selection: the line highlighted.
    // The terminal has printed many more lines than it shows, so its view has scrolled.
    void readScrolledTerminal(const char* name, const TerminalArea& area = {}) {
        QProcess window;
        window.start(QStringLiteral("xdotool"), {"getactivewindow", "getwindowgeometry"});
        ASSERT_TRUE(window.waitForFinished());
        const QString geometry = QString::fromUtf8(window.readAllStandardOutput());
        const auto size = QRegularExpression(R"(Window (\d+).*Geometry: (\d+)x(\d+))",
                                             QRegularExpression::DotMatchesEverythingOption)
                              .match(geometry);
        ASSERT_TRUE(size.hasMatch()) << geometry.toStdString();
        const QString id = size.captured(1);
        const int width = size.captured(2).toInt();
        const int height = size.captured(3).toInt();
        static const QRegularExpression printedLine(R"(^Line (\d+) of the text .*\.$)");

        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int read = 0;
        QString previous;
        for (int round = 0; round < rounds(); ++round) {
            const double row = ((round * 7 + 3) % 6) / 5.0;
            const QString y =
                QString::number(int(height * (area.top + (area.bottom - area.top) * row)));
            const auto drag = [&] {
                return xdotool({"mousemove", "--sync", "--window", id, QString::number(area.left),
                                y}) &&
                       xdotool({"mousedown", "1"}) &&
                       xdotool({"mousemove", "--sync", "--window", id, QString::number(width - 40),
                                y}) &&
                       xdotool({"mouseup", "1"});
            };
            QString shown;
            // A line of the second half: the terminal has scrolled.
            const std::function<bool()> offersNewLine = [&] {
                shown = offeredText();
                const auto printed = printedLine.match(shown);
                return shown != previous && printed.hasMatch() &&
                       printed.captured(1).toInt() > terminalLineCount / 2;
            };
            // A terminal still starting up or still showing what it prints may miss the first
            // drag: it is made again.
            bool selected = false;
            for (int attempt = 0; attempt < 5 && !selected; ++attempt)
                selected = drag() && pumpUntil(offersNewLine, selectTimeout / 5);
            ASSERT_TRUE(selected) << name << " round " << round << " shows \""
                                  << shown.toStdString() << "\", not a line it scrolled to";
            previous = shown;

            const CaptureResult result = timedCapture(name, round, milliseconds);
            if (!result)
                continue;
            EXPECT_EQ(result->text.trimmed(), shown) << name << " round " << round;
            EXPECT_EQ(result->path, Core::CapturePath::offeredSelection);
            read += result->text.trimmed() == shown;
        }
        report(name, milliseconds, read, 0);
        EXPECT_TRUE(terminalJobUndisturbed()) << name << ": a signal reached the terminal's job";
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << "the user's clipboard changed";
    }

    // The focused element has the role: "text" for an editor's text area.
    bool waitUntilFocused(const QString& role) {
        return pumpUntil(
            [&] {
                const auto focused = accessibility->focusRole(AXFocusScope::systemWide(), 0.5);
                return focused && *focused == role;
            },
            startTimeout);
    }
    // Kate takes a while after its window shows to put the focus in its document.
    void startKate() {
        start(QStringLiteral("kate"), {"--new", linesFile()},
              {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
        ASSERT_TRUE(waitUntilFrontmost());
        ASSERT_TRUE(waitUntilFocused(QStringLiteral("text"))) << "Kate's document has no focus";
    }

    // The accessible selection of the focused element is `text`.
    bool waitUntilSelectedAccessibly(const QString& text) {
        return pumpUntil(
            [&] {
                const auto snapshot = accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                return snapshot && snapshot->selectedText &&
                       snapshot->selectedText->trimmed() == text;
            },
            selectTimeout);
    }

    // The focused element says that nothing is selected.
    bool waitUntilNothingSelected() {
        return pumpUntil(
            [&] {
                const auto snapshot = accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                return snapshot && snapshot->caretWithoutSelection;
            },
            selectTimeout);
    }

    // One capture of a round that is to find nothing selected, its time noted; true when it did.
    bool capturesNothing(const char* name, int round, std::vector<double>& milliseconds) {
        QElapsedTimer timer;
        timer.start();
        const CaptureResult result = capture();
        milliseconds.push_back(timer.nsecsElapsed() / 1e6);
        EXPECT_FALSE(result) << name << " round " << round << " read \""
                             << (result ? result->text.toStdString() : "") << '"';
        return !result && result.error() == Core::CaptureError::nothingSelected();
    }

    // Starts a KDE editor on the lines, selects one and then clears the selection by moving the
    // caret, and captures several times: each finds nothing selected, and no copy keystroke
    // reaches the editor, which would copy the caret's line.
    void readNothingWithNothingSelected(const char* name, const QString& program) {
        start(program, {linesFile()},
              {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
        ASSERT_TRUE(waitUntilFrontmost());
        ASSERT_TRUE(waitUntilFocused(QStringLiteral("text"))) << name << "'s document has no focus";
        ASSERT_TRUE(selectLineByKeys(5) && waitUntilSelectedAccessibly(lineText(5))) << name;
        ASSERT_TRUE(xdotool({"key", "Down"}));
        ASSERT_TRUE(waitUntilNothingSelected()) << name << " never says that nothing is selected";

        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int nothing = 0;
        for (int round = 0; round < rounds(); ++round)
            nothing += capturesNothing(name, round, milliseconds);
        // Only the accessibility interface tells that nothing is selected.
        report(name, milliseconds, nothing, nothing, "found nothing selected");
        EXPECT_EQ(nothing, rounds()) << name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << name << " got a copy keystroke";
    }

    const QString usersClipboard = QStringLiteral("the user's own words");
    std::unique_ptr<X11Workspace> workspace;
    std::shared_ptr<SystemKeyPoster> keyPoster;
    std::shared_ptr<X11PrimarySelection> primarySelection;
    std::shared_ptr<SystemAXClient> accessibility = std::make_shared<SystemAXClient>();
    std::shared_ptr<SystemPasteboard> pasteboard = std::make_shared<SystemPasteboard>(
        X11SelectionReader::open("CLIPBOARD", Base::SteadyClock::shared(), 0.4));
    const std::unique_ptr<X11SelectionReader> offeredSelection =
        X11SelectionReader::open("PRIMARY", Base::SteadyClock::shared(), 1.0);
    Base::QtScheduler scheduler;
    QTemporaryDir folder;
    QProcess application;
    // The process that the started one handed the application over to, if any.
    qint32 handedOverTo = 0;
    QStringList output;
};

} // namespace DesktopAppsCapture
