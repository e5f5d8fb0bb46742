// Reads a changing selection from real applications on the desktop that scripts/ci-services.sh
// starts (a GTK 3 editor, Qt and KDE text editors, terminals that have scrolled and the terminal
// panel of Kate's window) beside four busy loops, through the capture as the application builds
// it. Each round selects another line, waits until the application shows that selection, and
// captures it.
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
#include "Capture/Linux/Terminals.h"
#include "Capture/Linux/X11PrimarySelection.h"
#include "Capture/Linux/X11Workspace.h"
#include "Capture/TerminalSelectionStrategy.h"
#include "support/EventLoop.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ranges>
#include <vector>

using namespace Capture;
using TestSupport::pumpUntil;

namespace {

constexpr int lineCount = 20;
// Lines that a terminal prints first, more than it shows, so that it has scrolled.
constexpr int terminalLineCount = 260;
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
        ASSERT_TRUE(workspace && keyPoster && primarySelection) << "no X display";
        ASSERT_TRUE(folder.isValid());
        QFile file(folder.filePath("lines.txt"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        for (int line = 0; line < lineCount; ++line)
            file.write((lineText(line) + '\n').toUtf8());
        QFile many(folder.filePath("many.txt"));
        ASSERT_TRUE(many.open(QIODevice::WriteOnly));
        for (int line = 0; line < terminalLineCount; ++line)
            many.write((lineText(line) + '\n').toUtf8());
        QFile job(folder.filePath("job.sh"));
        ASSERT_TRUE(job.open(QIODevice::WriteOnly));
        job.write("trap 'echo signal >> \"$2\"' INT QUIT TSTP HUP; cat \"$1\"; echo $$ > \"$3\"; "
                  "while read -r line; do :; done\n");
        QGuiApplication::clipboard()->setText(usersClipboard);
    }

    void TearDown() override {
        application.kill();
        application.waitForFinished();
    }

    QString linesFile() const { return folder.filePath("lines.txt"); }

    // A terminal's job: prints the many lines, then waits for input, noting in a file every
    // signal that reaches it (a copy keystroke would send SIGINT) and, once it has printed, its
    // process in another. The folder's path has no blanks, so the job can be typed as it is.
    QStringList terminalJob() const {
        return {"sh", folder.filePath("job.sh"), folder.filePath("many.txt"),
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
    bool waitUntilFrontmost(const QString& bundleID) {
        return pumpUntil([&] { return workspace->frontmostApp().bundleID == bundleID; },
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
             std::make_shared<AXCaptureStrategy>(accessibility),
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
            const CaptureResult result = timedCapture(name, round, milliseconds);
            if (!result)
                continue;
            EXPECT_EQ(result->text.trimmed(), lineText(line)) << name << " round " << round;
            // Only the accessibility interface tells where the selection is.
            EXPECT_TRUE(byAccessibility || !result->selectionBounds) << name << " round " << round;
            read += result->text.trimmed() == lineText(line);
            byInterface += result->selectionBounds.has_value();
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

    // What the front-most application offers as its selection, read by this process's clipboard.
    static QString offeredText() {
        return QGuiApplication::clipboard()->text(QClipboard::Selection).trimmed();
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
        ASSERT_TRUE(pumpUntil(
            [&] {
                const auto snapshot = accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                return snapshot && snapshot->caretWithoutSelection;
            },
            selectTimeout))
            << name << " never says that nothing is selected";

        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int nothing = 0;
        for (int round = 0; round < rounds(); ++round) {
            QElapsedTimer timer;
            timer.start();
            const CaptureResult result = capture();
            milliseconds.push_back(timer.nsecsElapsed() / 1e6);
            EXPECT_FALSE(result) << name << " round " << round << " read \""
                                 << (result ? result->text.toStdString() : "") << '"';
            nothing += !result && result.error() == Core::CaptureError::nothingSelected();
        }
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

// GNOME Terminal (VTE) and Konsole report an accessible selection that is another line once they
// have scrolled; the line highlighted is the one they offer.
TEST_F(DesktopAppsCaptureE2E, readsTheHighlightedLineInAScrolledGnomeTerminal) {
    // The terminal's server is started by the session bus, which must know the display.
    ASSERT_EQ(QProcess::execute(QStringLiteral("dbus-update-activation-environment"), {"DISPLAY"}),
              0);
    start(QStringLiteral("gnome-terminal"),
          QStringList{"--wait", "--geometry", "80x24+100+100", "--"} + terminalJob());
    ASSERT_TRUE(waitUntilFrontmost(QStringLiteral("Gnome-terminal")));
    ASSERT_TRUE(pumpUntil([&] { return QFile::exists(folder.filePath("job")); }, startTimeout));

    readScrolledTerminal("GNOME Terminal");
    endTerminalJob();
}

TEST_F(DesktopAppsCaptureE2E, readsTheHighlightedLineInAScrolledKonsole) {
    start(QStringLiteral("konsole"),
          QStringList{"--separate", "--hide-menubar", "--hide-tabbar", "-e"} + terminalJob(),
          {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(waitUntilFrontmost());
    ASSERT_TRUE(pumpUntil([&] { return QFile::exists(folder.filePath("job")); }, startTimeout));

    readScrolledTerminal("Konsole");
    endTerminalJob();
}

// KWrite keeps offering an earlier mouse selection while the user selects by keyboard: its
// accessible selection, the current one, is what is read.
TEST_F(DesktopAppsCaptureE2E, readsAKeyboardSelectionInAKdeEditorAfterAMouseSelection) {
    start(QStringLiteral("kwrite"), {linesFile()},
          {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(waitUntilFrontmost());
    const auto mouseSelection = [] {
        return xdotool(
                   {"getactivewindow", "mousemove", "--sync", "--window", "%1", "200", "200"}) &&
               xdotool({"mousedown", "1"}) &&
               xdotool(
                   {"getactivewindow", "mousemove", "--sync", "--window", "%1", "330", "200"}) &&
               xdotool({"mouseup", "1"});
    };
    ASSERT_TRUE(mouseSelection());
    ASSERT_TRUE(pumpUntil([] { return !offeredText().isEmpty(); }, selectTimeout))
        << "no mouse selection";

    readChangingSelection(
        "KWrite", selectLineByKeys,
        [this](const QString& text) {
            // KWrite's offered selection may lag behind: its accessible selection tells.
            return pumpUntil(
                [&] {
                    const auto snapshot =
                        accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                    return snapshot && snapshot->selectedText &&
                           snapshot->selectedText->trimmed() == text;
                },
                selectTimeout);
        },
        true);
    std::printf("KWrite offers \"%s\" as its selection after the keyboard selections\n",
                qPrintable(offeredText()));
}

TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInKate) {
    startKate();

    readChangingSelection(
        "Kate", selectLineByKeys,
        [this](const QString& text) { return waitUntilSelectedAccessibly(text); }, true);
}

// Kate and KWrite copy the caret's line on a copy keystroke when nothing is selected.
TEST_F(DesktopAppsCaptureE2E, readsNothingInKdeEditorsWithNothingSelected) {
    readNothingWithNothingSelected("Kate", QStringLiteral("kate"));
    application.kill();
    application.waitForFinished();
    readNothingWithNothingSelected("KWrite", QStringLiteral("kwrite"));
}

// Kate's terminal panel is a terminal inside an editor's window: only its focused element tells.
// Its job gets no signal, with a line selected or none.
TEST_F(DesktopAppsCaptureE2E, readsTheHighlightedLineInKatesScrolledTerminalPanel) {
    startKate();
    ASSERT_TRUE(xdotool({"key", "F4"}) &&
                waitUntilFocused(QString::fromLatin1(AXFocusSnapshot::terminalRole)));
    ASSERT_TRUE(xdotool({"type", "--delay", "10", terminalJob().join(' ')}) &&
                xdotool({"key", "Return"}));
    ASSERT_TRUE(pumpUntil([&] { return QFile::exists(folder.filePath("job")); }, startTimeout));

    // Nothing selected yet: nothing is read, and no key is sent.
    int nothing = 0;
    for (BusyLoops busyLoops; const int round : std::views::iota(0, rounds())) {
        const CaptureResult none = capture();
        EXPECT_FALSE(none) << "round " << round << " read \"" << none->text.toStdString() << '"';
        nothing += !none && none.error() == Core::CaptureError::nothingSelected();
    }
    EXPECT_EQ(nothing, rounds());
    std::printf("Kate's terminal panel with nothing selected: %d of %d rounds found nothing "
                "selected\n",
                nothing, rounds());

    // The panel takes the lower part of the window, below the editor.
    readScrolledTerminal("Kate's terminal panel", {0.66, 0.88, 42});
    endTerminalJob();
}

} // namespace
