// Reads a changing selection from real editors on the desktop (a GTK 3 editor, also with a screen
// reader running, a GTK 4 editor, Qt and KDE text editors and a word processor), beside four busy
// loops, the selection of a GTK 3 editor behind another window, and nothing from a KDE editor with
// nothing selected.
#include "DesktopAppsCapture.h"

#include <QScopeGuard>
#include <QStandardPaths>

using namespace DesktopAppsCapture;

namespace {

TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInAGtkEditor) {
    start(QStringLiteral("mousepad"), {"--disable-server", linesFile()}, mousepadEnvironment);
    ASSERT_TRUE(waitUntilFrontmost());

    readChangingSelection(
        "mousepad (GTK 3)", lineByLine(selectLineByKeys),
        [this](const QString& text) { return waitUntilOffered(text); }, true);
}

// A read aimed at the application that was in front before takes the line selected there,
// although a GTK window behind another has no element with the focus.
TEST_F(DesktopAppsCaptureE2E, readsTheSelectionOfAGtkEditorBehindAnotherWindow) {
    start(QStringLiteral("mousepad"), {"--disable-server", linesFile()}, mousepadEnvironment);
    ASSERT_TRUE(waitUntilFrontmost());
    ASSERT_TRUE(selectLineByKeys(3));
    const auto behind = AXFocusScope::application(qint32(application.processId()));
    const auto readsTheLine = [&] {
        const auto snapshot = accessibility->focusSnapshot(behind, 0.5);
        return snapshot && snapshot->selectedText &&
               snapshot->selectedText->trimmed() == lineText(3);
    };
    ASSERT_TRUE(pumpUntil(readsTheLine, selectTimeout));

    QProcess front;
    TestSupport::endWithTheTest(front);
    front.setProcessEnvironment(TestSupport::withOwnHome(QProcessEnvironment::systemEnvironment(),
                                                         folder.filePath("front")));
    front.start(QStringLiteral("mousepad"), {"--disable-server"});
    ASSERT_TRUE(pumpUntil(
        [&] { return workspace->frontmostApp().pid == qint32(front.processId()); }, startTimeout));

    EXPECT_TRUE(pumpUntil(readsTheLine, selectTimeout));
    front.kill();
    front.waitForFinished();
}

// A screen reader hears of every key an editor gets, and a busy one holds each up: the editor may
// answer the accessibility interface between two keys, before the selection is made.
TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInAGtkEditorWithAScreenReaderRunning) {
    if (QStandardPaths::findExecutable(QStringLiteral("orca")).isEmpty())
        GTEST_SKIP() << "no screen reader (the orca package)";
    const QString log = folder.filePath("orca.log");
    QProcess screenReader;
    TestSupport::endWithTheTest(screenReader);
    // Without speech, which would start a speech server that outlives the screen reader and
    // speaks into the desktop's sound; with preferences of its own, where that choice is kept.
    screenReader.start(QStringLiteral("orca"), {"--replace", "--disable", "speech", "--user-prefs",
                                                folder.filePath("orca"), "--debug-file", log});
    const auto stopScreenReader = qScopeGuard([&] {
        screenReader.kill();
        screenReader.waitForFinished();
        setDesktopAccessibility(false);
    });
    ASSERT_TRUE(pumpUntil(
        [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("Screen reader on.");
        },
        startTimeout * 2))
        << "the screen reader never started";
    start(QStringLiteral("mousepad"), {"--disable-server", linesFile()}, mousepadEnvironment);
    ASSERT_TRUE(waitUntilFrontmost());
    ASSERT_TRUE(selectUntilOffered([] { return selectLineByKeys(0); }, lineText(0)));

    readChangingSelection(
        "mousepad with Orca", lineByLine(selectLineByKeys),
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
        "Qt text editor", lineByLine(selectLineByKeys),
        // The editor's latest selection: a line selected in an earlier round is in its output too.
        [this](const QString& text) {
            return pumpUntil(
                [&] {
                    const QStringList selections = output.filter(QRegularExpression("^selected "));
                    return !selections.isEmpty() && selections.last() == "selected " + text;
                },
                selectTimeout);
        },
        true);
}

// KWrite, selected by keyboard after a mouse selection: a drag over one line that ends in the
// line-number border, a click at the very start of another line, Home and Shift+End. The keyboard
// selection is the one to read, not the dragged line.
TEST_F(DesktopAppsCaptureE2E, readsAKeyboardSelectionInAKdeEditorAfterADragAndAClick) {
    start(QStringLiteral("kwrite"), {linesFile(kwriteLineCount)},
          {"QT_QPA_PLATFORM=xcb", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"});
    ASSERT_TRUE(waitUntilFrontmost());
    // KWrite's default window shows 33 lines of 17 pixels below its menu and tool bars, after a
    // line-number border 50 pixels wide; each drag is checked against what KWrite then offers.
    const auto lineY = [](int line) { return QString::number(67 + 17 * line); };
    // The caret goes to the start first, so that no drag starts inside the last selection, which
    // would move its text.
    const auto dragOverLine = [&](int line) {
        return xdotool({"key", "ctrl+Home"}) &&
               xdotool({"getactivewindow", "mousemove", "--sync", "--window", "%1", "600",
                        lineY(line)}) &&
               xdotool({"mousedown", "1"}) &&
               xdotool({"getactivewindow", "mousemove", "--sync", "--window", "%1", "20",
                        lineY(line)}) &&
               xdotool({"mouseup", "1"});
    };
    const auto clickAtLineStart = [&](int line) {
        return xdotool({"getactivewindow", "mousemove", "--sync", "--window", "%1", "55",
                        lineY(line)}) &&
               xdotool({"click", "1"});
    };

    readChangingSelection(
        "KWrite (drag, click, keyboard selection)",
        [&](int round) -> std::optional<QString> {
            const int dragged = 8 + (round * 7) % 20;
            const int selected = dragged + 1 + round % 5;
            if (!selectUntilOffered([&] { return dragOverLine(dragged); }, lineText(dragged)) ||
                !clickAtLineStart(selected) ||
                !xdotool({"key", "--delay", "20", "Home", "shift+End"}))
                return std::nullopt;
            return lineText(selected);
        },
        // KWrite keeps offering the dragged line: its accessible selection tells when it has
        // taken the keys.
        [this](const QString& text) {
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
}

// LibreOffice Writer shows each paragraph as an accessible text of its own: a selection over
// several paragraphs is read whole, whichever end the caret is at, between single lines.
TEST_F(DesktopAppsCaptureE2E, readsASelectionOverSeveralParagraphsInAWordProcessor) {
    const QString document = paragraphsDocument();
    ASSERT_FALSE(document.isEmpty());
    start(QStringLiteral("lowriter"),
          {"--norestore", "--nologo",
           "-env:UserInstallation=" + QUrl::fromLocalFile(folder.filePath("office")).toString(),
           document});
    ASSERT_TRUE(waitUntilFrontmost(QStringLiteral("libreoffice-writer")));
    handedOverTo = workspace->frontmostApp().pid;

    readChangingSelection(
        "LibreOffice Writer",
        [this](int round) -> std::optional<QString> {
            const int first = 1 + (round * 7) % (lineCount - 6);
            const int count = round % 4 == 0 ? 1 : 2 + round % 3;
            QStringList keys{"key", "--delay", "20", "ctrl+Home"};
            for (int i = 0; i < first; ++i)
                keys << "Down";
            switch (round % 4) {
            case 0: // one line
            case 1: // downwards to the end of the last paragraph
                for (int i = 1; i < count; ++i)
                    keys << "shift+Down";
                keys << "shift+End";
                break;
            case 2: // downwards to the start of the paragraph after
                for (int i = 0; i < count; ++i)
                    keys << "shift+Down";
                break;
            default: // upwards from the end of the last paragraph
                for (int i = 1; i < count; ++i)
                    keys << "Down";
                keys << "End";
                for (int i = 1; i < count; ++i)
                    keys << "shift+Up";
                keys << "shift+Home";
            }
            QStringList lines;
            for (int line = first; line < first + count; ++line)
                lines << lineText(line);
            const QString selected = lines.join('\n');
            if (!selectUntilOffered([&] { return xdotool(keys); }, selected))
                return std::nullopt;
            return selected;
        },
        [this](const QString& text) { return waitUntilOffered(text); }, true);
}

// GNOME Text Editor (GTK 4) answers no Collection match and says of none of its widgets that it is
// showing: its focused text is found by walking its tree, in shares of the captures' time. It may
// miss the first keys while it starts.
TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInAGtk4Editor) {
    start(QStringLiteral("gnome-text-editor"), {"--standalone", linesFile()});
    ASSERT_TRUE(waitUntilFrontmost());
    ASSERT_TRUE(selectUntilOffered([] { return selectLineByKeys(0); }, lineText(0)));

    readChangingSelection(
        "GNOME Text Editor (GTK 4)", lineByLine(selectLineByKeys),
        [this](const QString& text) { return waitUntilOffered(text); }, true);
}

TEST_F(DesktopAppsCaptureE2E, readsAChangingSelectionInKate) {
    startKate();

    readChangingSelection(
        "Kate", lineByLine(selectLineByKeys),
        [this](const QString& text) { return waitUntilSelectedAccessibly(text); }, true);
}

// Kate and KWrite copy the caret's line on a copy keystroke when nothing is selected.
TEST_F(DesktopAppsCaptureE2E, readsNothingInKdeEditorsWithNothingSelected) {
    readNothingWithNothingSelected("Kate", QStringLiteral("kate"));
    application.kill();
    application.waitForFinished();
    readNothingWithNothingSelected("KWrite", QStringLiteral("kwrite"));
}

} // namespace
