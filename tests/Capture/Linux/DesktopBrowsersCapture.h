// The browser capture tests' fixture: a page of paragraphs, an editable section, a text area and
// a frame at fixed places in Firefox or Chromium filling the screen, with the desktop's
// accessibility on, and the ways a user selects on it and takes a selection away again.
#pragma once

#include "DesktopAppsCapture.h"

namespace DesktopAppsCapture {

// The page's paragraphs stand at fixed places in a browser that fills the screen: 30-pixel lines
// a blank line apart from the top left corner. Lines 0-5 are the page's own paragraphs, 6-9
// those of an editable section, 10-12 the lines of a text area, 13-14 the paragraphs of a frame.
inline constexpr int pageParagraphs = 6;
inline constexpr int editableParagraphs = 4;
inline constexpr int textAreaLines = 3;
inline constexpr int textAreaTop = 600;
inline constexpr int frameParagraphs = 2;
inline constexpr int firstFrameLine = pageParagraphs + editableParagraphs + textAreaLines;
inline constexpr int frameTop = 780;

inline int paragraphY(int line) {
    return line * 60 + 15;
}

inline int frameParagraphY(int line) {
    return frameTop + paragraphY(line - firstFrameLine);
}

// The titles of the page and of the page in the second tab, which name the window while each is
// on show.
inline const QString pageTitle = QStringLiteral("Page");
inline const QString otherTitle = QStringLiteral("Other tab");

// The name of the active window; empty when there is none.
inline QString activeWindowName() {
    QProcess name;
    name.start(QStringLiteral("xdotool"), {"getactivewindow", "getwindowname"});
    if (!name.waitForFinished() || name.exitCode() != 0)
        return QString();
    return QString::fromUtf8(name.readAllStandardOutput()).trimmed();
}

class DesktopBrowsersCaptureE2E : public DesktopAppsCaptureE2E {
protected:
    void SetUp() override {
        DesktopAppsCaptureE2E::SetUp();
        ASSERT_TRUE(setDesktopAccessibility(true));
    }

    void TearDown() override {
        // A browser asked to quit takes its helper processes along.
        application.terminate();
        application.waitForFinished(10000);
        DesktopAppsCaptureE2E::TearDown();
        setDesktopAccessibility(false);
    }

    // Where the page's own paragraphs stand: one after the other, or each at its place on its own.
    enum class Paragraphs { inFlow, absolutelyPositioned };

    // The page, as a file URL; empty when it could not be written.
    QString page(Paragraphs placed = Paragraphs::inFlow) const {
        QString paragraphs;
        for (int line = 0; line < pageParagraphs; ++line) {
            const QString style =
                placed == Paragraphs::inFlow
                    ? QString()
                    : QStringLiteral(" style=\"position: absolute; top: %1px; left: 0; right: 0\"")
                          .arg(line * 60);
            paragraphs += QStringLiteral("<p%1>%2</p>\n").arg(style, lineText(line));
        }
        QString editable;
        for (int line = pageParagraphs; line < pageParagraphs + editableParagraphs; ++line)
            editable += QStringLiteral("<p>%1</p>").arg(lineText(line));
        QStringList area;
        for (int line = pageParagraphs + editableParagraphs;
             line < pageParagraphs + editableParagraphs + textAreaLines; ++line)
            area << lineText(line);
        QString framed;
        for (int line = firstFrameLine; line < firstFrameLine + frameParagraphs; ++line)
            framed += QStringLiteral("<p>%1</p>").arg(lineText(line));
        if (writePage(QStringLiteral("frame.html"),
                      QStringLiteral("<style>body { margin: 0; font: 20px/30px sans-serif; }"
                                     "p { margin: 0 0 30px 0; white-space: nowrap; }</style>"),
                      framed)
                .isEmpty())
            return QString();
        return writePage(
            QStringLiteral("page.html"),
            QStringLiteral("<title>%1</title><style>body { margin: 0; font: 20px/30px sans-serif; }"
                           "p { margin: 0 0 30px 0; white-space: nowrap; }"
                           "div { outline: none; margin-top: %2px; }"
                           "textarea { position: absolute; top: %3px; left: 0; width: 900px; "
                           "height: 120px; font: 20px/30px monospace; }"
                           "iframe { position: absolute; top: %4px; left: 0; width: 900px; "
                           "height: 120px; border: none; }</style>")
                .arg(pageTitle)
                .arg(placed == Paragraphs::inFlow ? 0 : pageParagraphs * 60)
                .arg(textAreaTop)
                .arg(frameTop),
            QStringLiteral("\n%1<div contenteditable=\"true\">%2</div>\n<textarea>%3</textarea>\n"
                           "<iframe src=\"frame.html\"></iframe>\n")
                .arg(paragraphs, editable, area.join('\n')));
    }

    // The page of the second tab: one paragraph, where the page has its first; its file URL,
    // empty when it could not be written.
    QString otherPage() const {
        return writePage(QStringLiteral("other.html"),
                         QStringLiteral("<title>%1</title><style>body { margin: 0; font: 20px/30px "
                                        "sans-serif; } p { margin: 0; white-space: nowrap; }"
                                        "</style>")
                             .arg(otherTitle),
                         QStringLiteral("<p>%1</p>").arg(lineText(lineCount - 1)));
    }

    // Writes a page into the folder, with what its head holds besides its character set; its file
    // URL, empty when it could not be written.
    QString writePage(const QString& name, const QString& head, const QString& body) const {
        QFile file(folder.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\">%1</head>"
                                  "<body>%2</body></html>\n")
                       .arg(head, body)
                       .toUtf8());
        return QUrl::fromLocalFile(file.fileName()).toString();
    }

    // Switches to the next or previous tab by keyboard and waits until the window shows the page
    // titled `title`.
    static bool switchTab(const char* keys, const QString& title) {
        return xdotool({"key", keys}) &&
               pumpUntil([&] { return activeWindowName().startsWith(title); }, selectTimeout);
    }

    static QString lines(int first, int count, const QString& separator) {
        QStringList texts;
        for (int line = first; line < first + count; ++line)
            texts << lineText(line);
        return texts.join(separator);
    }

    static bool clickAt(int x, int y, int clicks = 1) {
        return xdotool({"mousemove", QString::number(x), QString::number(y)}) &&
               xdotool({"click", "--repeat", QString::number(clicks), "--delay", "60", "1"});
    }

    // From the start of one paragraph of the page to past the end of a later one.
    static bool dragOver(int first, int last) {
        // A click beside the text first, so that the drag does not start in the last selection.
        return clickAt(1200, 1000) &&
               xdotool({"mousemove", "2", QString::number(paragraphY(first))}) &&
               xdotool({"mousedown", "1"}) &&
               xdotool({"mousemove", "800", QString::number(paragraphY(last))}) &&
               xdotool({"mousemove", "1500", QString::number(paragraphY(last))}) &&
               xdotool({"mouseup", "1"});
    }

    // Each round another kind of selection, and another place.
    static std::optional<QString> select(int round) {
        const int place = round / 4;
        switch (round % 4) {
        case 0: { // a triple-clicked paragraph
            const int line = place % pageParagraphs;
            if (!clickAt(100, paragraphY(line), 3))
                return std::nullopt;
            return lineText(line);
        }
        case 1: { // a drag over two or three paragraphs
            const int count = 2 + place % 2;
            const int first = place % (pageParagraphs - count + 1);
            if (!dragOver(first, first + count - 1))
                return std::nullopt;
            return lines(first, count, QStringLiteral("\n\n"));
        }
        case 2: { // two or three paragraphs of the editable section, by keyboard
            const int count = 2 + place % 2;
            const int first = pageParagraphs + place % (editableParagraphs - count + 1);
            QStringList keys{"key", "--delay", "20", "Home"};
            for (int i = 1; i < count; ++i)
                keys << "shift+Down";
            keys << "shift+End";
            if (!clickAt(100, paragraphY(first)) || !xdotool(keys))
                return std::nullopt;
            return lines(first, count, QStringLiteral("\n\n"));
        }
        default: { // a line of the text area
            const int line = place % textAreaLines;
            QStringList keys{"key", "--delay", "20", "ctrl+Home"};
            for (int i = 0; i < line; ++i)
                keys << "Down";
            keys << "Home"
                 << "shift+End";
            if (!clickAt(100, textAreaTop + 60) || !xdotool(keys))
                return std::nullopt;
            return lineText(pageParagraphs + editableParagraphs + line);
        }
        }
    }

    // Takes away the selection that select() made in the round, as a user does: a click on a
    // blank part of the page or into another paragraph, into another line of the editable section,
    // or beside the text area.
    static bool deselect(int round) {
        const int place = round / 4;
        switch (round % 4) {
        case 0:
            if (place % 2 == 0)
                return clickAt(1500, paragraphY(place % pageParagraphs));
            return clickAt(100, paragraphY((place + 1) % pageParagraphs));
        case 1:
            return clickAt(1500, paragraphY(pageParagraphs - 1));
        case 2: {
            const int count = 2 + place % 2;
            const int first = place % (editableParagraphs - count + 1);
            const int other = (first + count) % editableParagraphs;
            return clickAt(100, paragraphY(pageParagraphs + other));
        }
        default:
            return clickAt(1500, textAreaTop + 60);
        }
    }

    // Waits until the browser shows the page.
    void waitUntilShown(const char* name) {
        ASSERT_TRUE(waitUntilFrontmost()) << name << " never showed a window";
        ASSERT_TRUE(selectUntilOffered([] { return clickAt(100, paragraphY(0), 3); }, lineText(0)))
            << name << " never showed the page";
    }

    void readPage(const char* name) {
        ASSERT_NO_FATAL_FAILURE(waitUntilShown(name));
        readChangingSelection(
            name, select, [this](const QString& text) { return waitUntilOffered(text); }, true);
    }

    // Each round makes a selection and reads it, takes it away again and captures once the page
    // shows only a caret: the browser still offers the old selection, yet nothing is selected, and
    // no copy keystroke reaches the browser.
    void readNothingOnceDeselected(const char* name) {
        ASSERT_NO_FATAL_FAILURE(waitUntilShown(name));
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int nothing = 0;
        for (int round = 0; round < rounds(); ++round) {
            const std::optional<QString> selected = select(round);
            ASSERT_TRUE(selected && waitUntilOffered(*selected)) << name << " round " << round;
            const CaptureResult read = capture();
            EXPECT_TRUE(read && Core::TextSanitizer::sanitize(read->text) == *selected)
                << name << " round " << round << " read \""
                << (read ? read->text.toStdString() : "") << "\", error "
                << (read ? -1 : int(read.error().kind()));

            ASSERT_TRUE(deselect(round) && waitUntilNothingSelected())
                << name << " round " << round << " never shows that nothing is selected";
            EXPECT_EQ(offeredText(), *selected)
                << name << " round " << round << " no longer offers the old selection";
            nothing += capturesNothing(name, round, milliseconds);
        }
        report(name, milliseconds, nothing, nothing, "found nothing selected once deselected");
        EXPECT_EQ(nothing, rounds()) << name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << name << " got a copy keystroke";
    }

    // A frame keeps its selection, greyed, when the user clicks beside the frame: each round that
    // selection is read, from what the browser offers, and once the user has also clicked into
    // the frame and beside it again, nothing is.
    void readAFramesSelectionUntilDeselected(const char* name) {
        ASSERT_NO_FATAL_FAILURE(waitUntilShown(name));
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int greyed = 0;
        int nothing = 0;
        for (int round = 0; round < rounds(); ++round) {
            const int line = firstFrameLine + round % frameParagraphs;
            ASSERT_TRUE(clickAt(100, frameParagraphY(line), 3) && waitUntilOffered(lineText(line)))
                << name << " round " << round;
            const CaptureResult read = capture();
            EXPECT_TRUE(read && read->text.trimmed() == lineText(line))
                << name << " round " << round;

            // Beside the page's text: the page has the focus, and nothing selected.
            const auto focusLeftTheFrame = [&] {
                const auto snapshot = accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                return snapshot && !snapshot->selectedText;
            };
            ASSERT_TRUE(clickAt(1500, paragraphY(round % pageParagraphs)) &&
                        pumpUntil(focusLeftTheFrame, selectTimeout))
                << name << " round " << round;
            const CaptureResult greyedRead = timedCapture(name, round, milliseconds);
            EXPECT_TRUE(greyedRead && greyedRead->text.trimmed() == lineText(line))
                << name << " round " << round << ": the frame's selection was not read";
            greyed += greyedRead && greyedRead->text.trimmed() == lineText(line);

            ASSERT_TRUE(
                clickAt(100, frameParagraphY(firstFrameLine + (line + 1) % frameParagraphs)) &&
                clickAt(1500, paragraphY(round % pageParagraphs)) && waitUntilNothingSelected())
                << name << " round " << round << " never shows that nothing is selected";
            nothing += capturesNothing(name, round, milliseconds);
        }
        report(name, milliseconds, greyed + nothing, nothing,
               "read the frame's greyed selection or, once it was taken away, nothing");
        EXPECT_EQ(greyed, rounds()) << name;
        EXPECT_EQ(nothing, rounds()) << name;
    }

    // A paragraph selected in the first tab is read while that tab is on show, and nothing once
    // the user has switched to the second tab, though the browser still offers that paragraph;
    // every other round the user also clicks into the second tab's page. A browser gives the
    // focus to the page on show a moment after its window shows it, the first time a tab shows
    // later still, and the user taps after that.
    void readNothingInAHiddenTab(const char* name) {
        ASSERT_NO_FATAL_FAILURE(waitUntilShown(name));
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int nothing = 0;
        int shown = 0;
        for (int round = 0; round < rounds(); ++round) {
            // Not the paragraph that waitUntilShown() clicked, which the clicks would add to.
            const int line = (round + 1) % pageParagraphs;
            ASSERT_TRUE(clickAt(100, paragraphY(line), 3) && waitUntilOffered(lineText(line)))
                << name << " round " << round;

            ASSERT_TRUE(switchTab("ctrl+Next", otherTitle)) << name << " round " << round;
            // Away from where the next round's clicks go, which it would add to.
            if (round % 2 == 1) {
                ASSERT_TRUE(clickAt(300, paragraphY(0))) << name << " round " << round;
            }
            ASSERT_TRUE(waitUntilNothingSelected())
                << name << " round " << round << " never shows that nothing is selected";
            EXPECT_EQ(offeredText(), lineText(line))
                << name << " round " << round << " no longer offers the hidden tab's selection";
            nothing += capturesNothing(name, round, milliseconds);

            ASSERT_TRUE(switchTab("ctrl+Prior", pageTitle) &&
                        waitUntilSelectedAccessibly(lineText(line)))
                << name << " round " << round << " never shows its selection again";
            const CaptureResult read = timedCapture(name, round, milliseconds);
            EXPECT_TRUE(read && read->text.trimmed() == lineText(line))
                << name << " round " << round << ": the selection back on show was not read";
            shown += read && read->text.trimmed() == lineText(line);
        }
        report(name, milliseconds, nothing + shown, nothing,
               "found nothing selected in the hidden tab or read it back on show");
        EXPECT_EQ(nothing, rounds()) << name;
        EXPECT_EQ(shown, rounds()) << name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << name << " got a copy keystroke";
    }

    // `tabs`: the page's tab and a second one.
    enum class Tabs { one, two };

    void startFirefox(Tabs tabs = Tabs::one) {
        const QString url = page();
        ASSERT_FALSE(url.isEmpty());
        QStringList urls{url};
        if (tabs == Tabs::two)
            urls << otherPage();
        startFirefoxOn(urls, Frame::kiosk);
    }

    // How a browser shows its pages: filling the screen alone, or in a window with its tabs and
    // address bar, as a user has it.
    enum class Frame { kiosk, window };

    void startFirefoxOn(const QStringList& urls, Frame frame) {
        const QString profile = folder.filePath("firefox");
        QDir().mkpath(profile);
        QFile preferences(profile + "/user.js");
        ASSERT_TRUE(preferences.open(QIODevice::WriteOnly));
        preferences.write("user_pref(\"browser.shell.checkDefaultBrowser\", false);\n"
                          "user_pref(\"datareporting.policy.dataSubmissionEnabled\", false);\n"
                          "user_pref(\"browser.startup.homepage_override.mstone\", \"ignore\");\n"
                          "user_pref(\"browser.aboutwelcome.enabled\", false);\n"
                          "user_pref(\"toolkit.telemetry.reportingpolicy.firstRun\", false);\n");
        preferences.close();
        QStringList arguments{"--no-remote", "--profile", profile};
        if (frame == Frame::kiosk)
            arguments << "--kiosk";
        start(QStringLiteral("firefox-esr"), arguments + urls,
              {QStringLiteral("MOZ_CRASHREPORTER_DISABLE=1")});
    }

    void startChromium(Paragraphs placed = Paragraphs::inFlow, Tabs tabs = Tabs::one) {
        const QString url = page(placed);
        ASSERT_FALSE(url.isEmpty());
        QStringList urls{url};
        if (tabs == Tabs::two)
            urls << otherPage();
        startChromiumOn(urls);
    }

    void startChromiumOn(const QStringList& urls) {
        const QStringList arguments{"--no-sandbox",
                                    "--disable-gpu",
                                    "--no-first-run",
                                    "--disable-background-networking",
                                    "--disable-component-update",
                                    "--disable-sync",
                                    "--log-level=3",
                                    "--password-store=basic",
                                    "--force-renderer-accessibility",
                                    "--user-data-dir=" + folder.filePath("chromium"),
                                    "--kiosk"};
        start(QStringLiteral("chromium"), arguments + urls);
    }
};

} // namespace DesktopAppsCapture
