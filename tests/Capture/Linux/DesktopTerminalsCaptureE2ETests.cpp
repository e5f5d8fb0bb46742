// Reads the highlighted line from real terminals on the desktop (xterm, and GNOME Terminal,
// Konsole and the terminal panel of Kate's window once they have scrolled) beside four busy
// loops, and never sends them a keystroke.
#include "DesktopAppsCapture.h"

using namespace DesktopAppsCapture;

namespace {

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
        "xterm", lineByLine(selectLine),
        [this](const QString& text) { return waitUntilOffered(text); }, false);
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
