// Reads nothing of a selection that the user no longer sees, though the browser still offers it:
// that of the page left behind when the user opens a new tab or window, whose address bar then
// has the focus, and a selection whose text the page hid afterwards (a block hidden or made
// invisible with text below it, a details element closed, the page navigated away from), whichever
// way the user selected it. Each round first reads the selection while it shows, beside four busy
// loops.
#include "DesktopBrowsersCapture.h"

using namespace DesktopAppsCapture;

namespace {

const QString hidingTitle = QStringLiteral("Hiding");
const QString goneTitle = QStringLiteral("Gone");

// The id of the active window; 0 when there is none.
qulonglong activeWindow() {
    QProcess window;
    window.start(QStringLiteral("xdotool"), {"getactivewindow"});
    if (!window.waitForFinished() || window.exitCode() != 0)
        return 0;
    return window.readAllStandardOutput().trimmed().toULongLong();
}

class DesktopBrowsersOutOfSightCaptureE2E : public DesktopBrowsersCaptureE2E {
protected:
    // What a page does to a selection made on it, at a key the page listens for.
    struct Hiding {
        const char* name;
        int line;                   // the line whose paragraph goes
        int y;                      // where it stands on the screen
        std::function<bool()> hide; // makes it go
        QString title;              // the window's name once it went
    };

    static std::vector<Hiding> hidings() {
        const auto key = [](const char* key) { return [key] { return xdotool({"key", key}); }; };
        // A page's own button, which then has the focus.
        const auto button = [] { return clickAt(20, 285); };
        return {{"a hidden block", 0, 165, key("h"), QStringLiteral("Hidden")},
                {"a block hidden by a button", 0, 165, button, QStringLiteral("Hidden")},
                {"a closed details element", 1, 45, key("c"), QStringLiteral("Closed")},
                {"an invisible block", 0, 165, key("v"), QStringLiteral("Invisible")},
                {"a page navigated away from", 2, 105, key("n"), goneTitle}};
    }

    // The ways a user selects in a paragraph, in turn.
    enum Gesture { drag, doubleClick, shiftClick, tripleClick, gestures };

    // Selects in the paragraph of the line at `y` by `gesture`: the start of it by a drag or by a
    // click and a shift+click, a word by a double click, the whole of it by a triple click.
    static bool selectBy(Gesture gesture, int y) {
        const QString at = QString::number(y);
        switch (gesture) {
        case drag:
            return clickAt(900, 700) && xdotool({"mousemove", "2", at, "mousedown", "1",
                                                 "mousemove", "250", at, "mouseup", "1"});
        case doubleClick:
            return clickAt(900, 700) && clickAt(100, y, 2);
        case shiftClick:
            return clickAt(900, 700) && clickAt(2, y) &&
                   xdotool({"mousemove", "250", at, "keydown", "shift", "click", "1", "keyup",
                            "shift"});
        default:
            return clickAt(100, y, 3);
        }
    }

    // Selects in the paragraph of the line at `y` by selectBy() until the page shows a part of it
    // selected and the browser offers that, as a page loaded anew may miss the first try; the text
    // selected, empty when there is none.
    QString selectAt(int line, int y, Gesture gesture) {
        const auto select = [&] { return selectBy(gesture, y); };
        // What the gesture selects, rather than a step on the way (the word of a triple click's
        // second click).
        const auto made = [&](const QString& text) {
            switch (gesture) {
            case doubleClick:
                return !text.contains(u' ') && lineText(line).contains(text);
            case tripleClick:
                return text == lineText(line);
            default:
                return text.size() > 1 && lineText(line).startsWith(text);
            }
        };
        QString offered;
        const auto selected = [&] {
            offered = offeredText();
            const auto shown = accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
            return made(offered) && shown && shown->selectedText &&
                   shown->selectedText->trimmed() == offered;
        };
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (select() && pumpUntil(selected, selectTimeout / 5))
                return offered;
        }
        return QString();
    }

    // A page of paragraphs where hidings() has them: one in an open details element that closes
    // at the key c, one in a block that hides at h or at its button and turns invisible at v,
    // with one more below it; n goes to another page. At r, either page loads the first one anew.
    // Each listens before its title shows.
    QString hidingPage() const {
        const QString listen =
            QStringLiteral("<script>document.addEventListener('keydown', event => {"
                           "  if (event.key === 'r') location.href = 'hiding.html';"
                           "  if (event.key === 'h') { block.style.display = 'none';"
                           "    document.title = 'Hidden'; }"
                           "  if (event.key === 'v') { block.style.visibility = 'hidden';"
                           "    document.title = 'Invisible'; }"
                           "  if (event.key === 'c') { more.open = false;"
                           "    document.title = 'Closed'; }"
                           "  if (event.key === 'n') location.href = 'gone.html'; });</script>");
        if (writePage(QStringLiteral("gone.html"),
                      QStringLiteral("%1<title>%2</title>").arg(listen, goneTitle), QString())
                .isEmpty())
            return QString();
        return writePage(
            QStringLiteral("hiding.html"),
            QStringLiteral(
                "%1<title>%2</title><style>body { margin: 0; font: 20px/30px sans-serif; }"
                "p { margin: 0; white-space: nowrap; } div, details, p.last { "
                "position: absolute; left: 0; } summary { height: 30px; }</style>")
                .arg(listen, hidingTitle),
            QStringLiteral("<details id=\"more\" open style=\"top: 0\"><summary>More</summary>"
                           "<p>%1</p></details><p class=\"last\" style=\"top: 90px\">%2</p>"
                           "<div id=\"block\" style=\"top: 150px\"><p>%3</p></div>"
                           "<p class=\"last\" style=\"top: 210px\">%4</p>"
                           "<button style=\"position: absolute; top: 270px; left: 0\" "
                           "onclick=\"block.style.display = 'none'; document.title = 'Hidden'\">"
                           "Hide</button>")
                .arg(lineText(1), lineText(2), lineText(0), lineText(3)));
    }

    // Each round selects in a paragraph and reads it, then the page hides it, and nothing is read,
    // though the browser still offers it; the page is loaded anew for the next round. The way of
    // selecting goes round with the rounds, a step further each time round the hidings.
    void readNothingHidden(const char* name) {
        ASSERT_TRUE(waitUntilFrontmost()) << name << " never showed a window";
        ASSERT_TRUE(
            pumpUntil([] { return activeWindowName().startsWith(hidingTitle); }, startTimeout))
            << name << " never showed the page";
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int nothing = 0;
        for (int round = 0; round < rounds(); ++round) {
            const int count = int(hidings().size());
            const Hiding hiding = hidings()[size_t(round % count)];
            const QString text =
                selectAt(hiding.line, hiding.y, Gesture((round + round / count) % gestures));
            ASSERT_FALSE(text.isEmpty()) << name << " round " << round;
            const CaptureResult shown = capture();
            EXPECT_TRUE(shown && shown->text.trimmed() == text) << name << " round " << round;

            // Once the page shows the change, and its accessible text no longer holds the text.
            ASSERT_TRUE(hiding.hide() &&
                        pumpUntil([&] { return activeWindowName().startsWith(hiding.title); },
                                  selectTimeout) &&
                        pumpUntil(
                            [&] {
                                const auto snapshot =
                                    accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                                return snapshot && (!snapshot->selectedText ||
                                                    snapshot->selectedText->trimmed() != text);
                            },
                            selectTimeout))
                << name << " round " << round << ": " << hiding.name << " still shows";
            EXPECT_EQ(offeredText(), text) << name << " round " << round << " offers no more";
            const bool none = capturesNothing(name, round, milliseconds);
            EXPECT_TRUE(none) << name << " round " << round << ": " << hiding.name;
            nothing += none;

            ASSERT_TRUE(
                clickAt(900, 700) && xdotool({"key", "r"}) &&
                pumpUntil([] { return activeWindowName().startsWith(hidingTitle); }, selectTimeout))
                << name << " round " << round << " never showed the page again";
        }
        report(name, milliseconds, nothing, nothing, "found nothing of what the page hid");
        EXPECT_EQ(nothing, rounds()) << name;
        EXPECT_EQ(QGuiApplication::clipboard()->text(), usersClipboard)
            << name << " got a copy keystroke";
    }

    // What opens a place with the focus in an address bar of its own, and closes it again.
    struct Opening {
        // Readies the window before each round's selection; nothing by default.
        std::function<bool()> ready = [] { return true; };
        // Opens the place, with the focus in its address bar or on its window.
        std::function<bool()> open;
    };

    static Opening byKey(const char* key) {
        return {[] { return true; }, [key] { return xdotool({"key", key}); }};
    }

    // A second tab, on the other page, whose tab is dragged out of the window's tab strip.
    Opening draggedTab() const {
        const QString url = otherPage();
        return {[url] {
                    return xdotool({"key", "ctrl+t"}) &&
                           pumpUntil([] { return !activeWindowName().startsWith(pageTitle); },
                                     selectTimeout) &&
                           xdotool({"type", "--delay", "5", url}) && xdotool({"key", "Return"}) &&
                           pumpUntil([] { return activeWindowName().startsWith(otherTitle); },
                                     selectTimeout) &&
                           xdotool({"key", "ctrl+Prior"}) &&
                           pumpUntil([] { return activeWindowName().startsWith(pageTitle); },
                                     selectTimeout);
                },
                [] {
                    // The second tab stands right of the first at the top of the window; the drag
                    // goes at a hand's pace, which Firefox needs to tell it from a click.
                    const qulonglong from = activeWindow();
                    const QPoint tab = activeWindowGeometry().topLeft() + QPoint(365, 3);
                    QStringList drag{"mousemove", QString::number(tab.x()),
                                     QString::number(tab.y()), "mousedown", "1"};
                    for (int y = tab.y() + 15; y <= tab.y() + 400; y += 30)
                        drag << "sleep"
                             << "0.02"
                             << "mousemove" << QString::number(tab.x()) << QString::number(y);
                    const auto detached = [from] {
                        return activeWindow() != from && activeWindowName().startsWith(otherTitle);
                    };
                    return xdotool(drag << "mouseup"
                                        << "1") &&
                           pumpUntil(detached, selectTimeout);
                }};
    }

    // Each round selects the page's paragraph and reads it, opens a new tab or window, where the
    // address bar or the window has the focus, and reads nothing, though the browser still offers
    // the paragraph; then closes it, and reads the paragraph back on show.
    void readNothingLeftBehind(const char* name, const Opening& opening) {
        ASSERT_TRUE(waitUntilFrontmost()) << name << " never showed a window";
        ASSERT_TRUE(
            pumpUntil([] { return activeWindowName().startsWith(pageTitle); }, startTimeout))
            << name << " never showed the page";
        const qulonglong window = activeWindow();
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int nothing = 0;
        for (int round = 0; round < rounds(); ++round) {
            ASSERT_TRUE(opening.ready()) << name << " round " << round;
            ASSERT_TRUE(selectUntilOffered(
                [] {
                    return clickIntoPage() && xdotool({"key", "ctrl+a"});
                },
                lineText(0)))
                << name << " round " << round;
            ASSERT_TRUE(waitUntilSelectedAccessibly(lineText(0))) << name << " round " << round;
            const CaptureResult shown = capture();
            EXPECT_TRUE(shown && shown->text.trimmed() == lineText(0))
                << name << " round " << round;

            ASSERT_TRUE(opening.open() && pumpUntil(
                                              [&] {
                                                  return activeWindow() != window ||
                                                         !activeWindowName().startsWith(pageTitle);
                                              },
                                              selectTimeout))
                << name << " round " << round << " opened nothing";
            // Firefox answers slowly while it makes a window beside the busy loops: the user taps
            // once it shows the window.
            ASSERT_TRUE(waitUntilNothingSelected())
                << name << " round " << round << " never shows that nothing is selected";
            EXPECT_EQ(offeredText(), lineText(0)) << name << " round " << round;
            nothing += capturesNothing(name, round, milliseconds);

            // The window manager may leave the focus nowhere when a window that it did not
            // activate itself closes.
            const auto pageInFront = [&] {
                return activeWindow() == window && activeWindowName().startsWith(pageTitle);
            };
            ASSERT_TRUE(xdotool({"key", "ctrl+w"}) &&
                        (pumpUntil(pageInFront, selectTimeout / 5) ||
                         (xdotool({"windowactivate", QString::number(window)}) &&
                          pumpUntil(pageInFront, selectTimeout))))
                << name << " round " << round << " never showed the page again";
        }
        report(name, milliseconds, nothing, nothing, "found nothing of the page left behind");
        EXPECT_EQ(nothing, rounds()) << name;
    }

    // Where the window in front shows its contents on the screen.
    static QRect activeWindowGeometry() {
        QProcess geometry;
        geometry.start(QStringLiteral("xdotool"),
                       {"getactivewindow", "getwindowgeometry", "--shell"});
        if (!geometry.waitForFinished() || geometry.exitCode() != 0)
            return QRect();
        const QString shell = QString::fromUtf8(geometry.readAllStandardOutput());
        const auto value = [&](const char* key) {
            const QRegularExpression pattern(QStringLiteral("%1=(\\d+)").arg(key));
            return pattern.match(shell).captured(1).toInt();
        };
        return QRect(value("X"), value("Y"), value("WIDTH"), value("HEIGHT"));
    }

    // A click on the page of the window in front, below its tabs and address bar.
    static bool clickIntoPage() {
        const QRect window = activeWindowGeometry();
        return window.isValid() &&
               clickAt(window.center().x(), window.top() + window.height() * 3 / 4);
    }

    // A page of one paragraph whose body fills the window.
    QString lonePage() const {
        return writePage(QStringLiteral("lone.html"),
                         QStringLiteral("<title>%1</title><style>body { min-height: 100vh; "
                                        "font: 20px/30px sans-serif; }</style>")
                             .arg(pageTitle),
                         QStringLiteral("<p>%1</p>").arg(lineText(0)));
    }
};

TEST_F(DesktopBrowsersOutOfSightCaptureE2E, readsNothingOfThePageLeftForANewTabInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefoxOn({lonePage()}, Frame::window));
    readNothingLeftBehind("Firefox (new tab)", byKey("ctrl+t"));
}

TEST_F(DesktopBrowsersOutOfSightCaptureE2E, readsNothingOfThePageLeftForANewWindowInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefoxOn({lonePage()}, Frame::window));
    readNothingLeftBehind("Firefox (new window)", byKey("ctrl+n"));
}

TEST_F(DesktopBrowsersOutOfSightCaptureE2E, readsNothingOfThePageLeftForADraggedOutTabInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefoxOn({lonePage()}, Frame::window));
    readNothingLeftBehind("Firefox (dragged-out tab)", draggedTab());
}

TEST_F(DesktopBrowsersOutOfSightCaptureE2E, readsNothingThatThePageHidInChromium) {
    const QString url = hidingPage();
    ASSERT_FALSE(url.isEmpty());
    ASSERT_NO_FATAL_FAILURE(startChromiumOn({url}));
    readNothingHidden("Chromium (hidden)");
}

TEST_F(DesktopBrowsersOutOfSightCaptureE2E, readsNothingThatThePageHidInFirefox) {
    const QString url = hidingPage();
    ASSERT_FALSE(url.isEmpty());
    ASSERT_NO_FATAL_FAILURE(startFirefoxOn({url}, Frame::kiosk));
    readNothingHidden("Firefox (hidden)");
}

} // namespace
