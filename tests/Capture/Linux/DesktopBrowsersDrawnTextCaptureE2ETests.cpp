// Reads selections of lines whose words the page draws around, or whose text a browser shows and
// copies otherwise (quotation marks, markers, numbers, a drop cap, emoji, ruby, soft hyphens), each
// by a triple click and by a drag over it, beside four busy loops; and a selection that the page's
// script made and one that find in page left, neither of which the browser offers: it still offers
// an older selection.
#include "DesktopBrowsersCapture.h"

using namespace DesktopAppsCapture;

namespace {

// One line of the page, at paragraphY() of its place.
struct Line {
    const char* name;
    QString markup;
    // Where the line's own text starts: a drag that starts on what the page draws before it selects
    // nothing in Firefox.
    int textStart;
    // Its text as a browser copies it, but for what the page draws.
    QString copied;
    // What the page draws into it, which may be read with it.
    QStringList drawn = {};
};

// The line's classes draw a prefix of a fixed width before the text.
const int drawnPrefixWidth = 60;

std::vector<Line> drawnLines() {
    const int after = drawnPrefixWidth + 5;
    return {
        {"a quotation", "<p>He said <q>quoted words</q> to me today.</p>", 2,
         "He said quoted words to me today."},
        {"markers after words",
         "<p>Read the <a href=\"#\">guide</a> and the note<span></span> now.</p>",
         2,
         "Read the guide and the note now.",
         {QStringLiteral("[1]")}},
        {"a numbered heading",
         "<h2>Methods of the study</h2>",
         after,
         "Methods of the study",
         {QStringLiteral("2.")}},
        {"a ticked list item", "<ul><li>Checked item of the list</li></ul>", after,
         "Checked item of the list"},
        {"a drop cap", "<p class=\"drop\">Once upon a time there was a tale.</p>", 2,
         "Once upon a time there was a tale."},
        {"a note",
         "<p class=\"note\">Keep the receipt for later.</p>",
         after,
         "Keep the receipt for later.",
         {QStringLiteral("Note:")}},
        {"emoji", QString::fromUtf8("<p>We met 😀 at the café 🎉 and laughed a lot.</p>"), 2,
         QString::fromUtf8("We met 😀 at the café 🎉 and laughed a lot.")},
        {"ruby",
         QString::fromUtf8("<p><ruby>漢<rt>kan</rt>字<rt>ji</rt></ruby> is written so.</p>"),
         2,
         QString::fromUtf8("漢字 is written so."),
         {QStringLiteral("kan"), QStringLiteral("ji")}},
        {"soft hyphens", "<p>An extra&shy;ordinary in&shy;ter&shy;na&shy;tion&shy;al word.</p>", 2,
         "An extra\u00ADordinary in\u00ADter\u00ADna\u00ADtion\u00ADal word."},
    };
}

// The paragraph that the page's script selects, and the phrase that find in page selects.
const QString scriptedText = QStringLiteral("Selected by the page itself.");
const QString phrase = QStringLiteral("hidden phrase");

// The letters and digits of a text, case-folded, once what the page draws is taken out of it.
QString words(QString text, const QStringList& drawn = {}) {
    for (const QString& piece : drawn)
        text.remove(piece);
    static const QRegularExpression neither(QStringLiteral("[^\\p{L}\\p{N}]"));
    return text.remove(neither).toCaseFolded();
}

class DesktopBrowsersDrawnTextCaptureE2E : public DesktopBrowsersCaptureE2E {
protected:
    // The page of drawnLines(), each at its place, then the scripted and the found paragraph; at s
    // the page's script selects the scripted one a moment later. Its file URL, empty when it could
    // not be written.
    QString drawingPage() const {
        QString body;
        for (const Line& line : drawnLines())
            body += line.markup + '\n';
        body += QStringLiteral("<p id=\"scripted\">%1</p>\n<p>Find the %2 somewhere here.</p>\n")
                    .arg(scriptedText, phrase);
        return writePage(
            QStringLiteral("drawing.html"),
            QStringLiteral(
                "<title>%1</title><style>body { margin: 0; counter-reset: heading 1; }"
                "p, h2, ul { margin: 0 0 30px 0; padding: 0; height: 30px; white-space: nowrap;"
                " font: 20px/30px sans-serif; list-style: none; }"
                "a::after { content: '\\2197'; } span::after { content: '[1]'; }"
                "h2 { counter-increment: heading; }"
                "h2::before { content: counter(heading) '.'; display: inline-block; width: %2px; }"
                "li::before { content: '\\2713'; display: inline-block; width: %2px; }"
                ".note::before { content: 'Note:'; display: inline-block; width: %2px; }"
                "p.drop::first-letter { font-size: 150%; }</style>"
                "<script>document.addEventListener('keydown', event => { if (event.key === 's')"
                " setTimeout(() => getSelection().selectAllChildren(scripted), 200); });</script>")
                .arg(pageTitle)
                .arg(drawnPrefixWidth),
            body);
    }

    // A browser's copy may hold ruby text too.
    bool offers(const Line& line) {
        return pumpUntil([&] { return words(offeredText(), line.drawn) == words(line.copied); },
                         selectTimeout);
    }

    // Triple-clicks the first line until the browser offers it, as a page loaded anew may miss
    // the first clicks.
    bool selectFirstLine() {
        const Line first = drawnLines().front();
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (clickAt(100, paragraphY(0), 3) &&
                pumpUntil([&] { return words(offeredText()) == words(first.copied); },
                          selectTimeout / 5))
                return true;
        }
        return false;
    }

    // Each round selects another line, by a triple click for the first round over the lines and
    // by a drag over it for the next, and reads it: its words, and at most what the page draws.
    void readLinesWithDrawnText(const char* name) {
        ASSERT_TRUE(waitUntilFrontmost()) << name << " never showed a window";
        ASSERT_TRUE(selectFirstLine()) << name << " never showed the page";
        BusyLoops busyLoops;
        std::vector<double> milliseconds;
        int read = 0;
        int byInterface = 0;
        const std::vector<Line> all = drawnLines();
        const int count = std::max(rounds(), int(all.size()) * 2);
        for (int round = 0; round < count; ++round) {
            const int place = round % int(all.size());
            const Line& line = all[size_t(place)];
            const bool dragged = round / int(all.size()) % 2 == 1;
            const int y = paragraphY(place);
            ASSERT_TRUE(dragged ? clickAt(1200, 1000) &&
                                      xdotool({"mousemove", QString::number(line.textStart),
                                               QString::number(y), "mousedown", "1", "mousemove",
                                               "800", QString::number(y), "mousemove", "1500",
                                               QString::number(y), "mouseup", "1"})
                                : clickAt(line.textStart + 20, y, 3))
                << name << " round " << round;
            ASSERT_TRUE(offers(line)) << name << " round " << round << ": " << line.name
                                      << " shows \"" << offeredText().toStdString() << '"';
            const CaptureResult result = timedCapture(name, round, milliseconds);
            const bool right = result && words(result->text, line.drawn) == words(line.copied);
            EXPECT_TRUE(right) << name << " round " << round << ": " << line.name << " read \""
                               << (result ? result->text.toStdString() : "") << '"';
            read += right;
            byInterface += result && result->path == Core::CapturePath::accessibility;
        }
        report(name, milliseconds, read, byInterface);
        EXPECT_EQ(read, count) << name;
    }

    // Selects the first line, then makes the page select otherwise with `select`, and reads the
    // page's selection, `selected`, though the browser still offers the first line.
    void readThePagesOwnSelection(const char* name, const std::function<bool()>& select,
                                  const QString& selected) {
        ASSERT_TRUE(selectFirstLine()) << name;
        ASSERT_TRUE(select() && waitUntilSelectedAccessibly(selected)) << name;
        EXPECT_EQ(words(offeredText()), words(drawnLines().front().copied))
            << name << " offers the new selection";
        const CaptureResult result = capture();
        EXPECT_TRUE(result && result->text.trimmed() == selected)
            << name << " read \"" << (result ? result->text.toStdString() : "") << '"';
    }

    static bool selectByScript() { return xdotool({"key", "s"}); }

    static bool findPhrase() {
        return xdotool({"key", "ctrl+f"}) &&
               xdotool({"sleep", "0.5", "type", "--delay", "20", phrase}) &&
               xdotool({"sleep", "0.5", "key", "Escape"});
    }
};

TEST_F(DesktopBrowsersDrawnTextCaptureE2E, readsLinesWithDrawnTextInFirefox) {
    const QString url = drawingPage();
    ASSERT_FALSE(url.isEmpty());
    ASSERT_NO_FATAL_FAILURE(startFirefoxOn({url}, Frame::kiosk));
    readLinesWithDrawnText("Firefox (drawn text)");
    readThePagesOwnSelection("Firefox (script)", selectByScript, scriptedText);
    readThePagesOwnSelection("Firefox (find in page)", findPhrase, phrase);
}

TEST_F(DesktopBrowsersDrawnTextCaptureE2E, readsLinesWithDrawnTextInChromium) {
    const QString url = drawingPage();
    ASSERT_FALSE(url.isEmpty());
    ASSERT_NO_FATAL_FAILURE(startChromiumOn({url}));
    readLinesWithDrawnText("Chromium (drawn text)");
    readThePagesOwnSelection("Chromium (script)", selectByScript, scriptedText);
    readThePagesOwnSelection("Chromium (find in page)", findPhrase, phrase);
}

} // namespace
