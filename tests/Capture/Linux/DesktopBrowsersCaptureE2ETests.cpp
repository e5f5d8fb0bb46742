// Reads selections of a web page in real browsers with the desktop's accessibility on, as a
// running screen reader or the desktop's switch turns it on, beside four busy loops. A browser
// then shows each paragraph of the page as an embedded object of its document's text, and each
// paragraph of an editable section so in the section's: a triple-clicked paragraph, a drag over
// several, a keyboard selection over paragraphs of an editable section and a line of a text area,
// in turn; nothing once each is taken away again, though the browser still offers it; and nothing
// of a page in a tab that the user switched away from.
#include "DesktopBrowsersCapture.h"

using namespace DesktopAppsCapture;

namespace {

TEST_F(DesktopBrowsersCaptureE2E, readsParagraphsOfAPageInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefox());
    readPage("Firefox");
}

TEST_F(DesktopBrowsersCaptureE2E, readsParagraphsOfAPageInChromium) {
    ASSERT_NO_FATAL_FAILURE(startChromium());
    readPage("Chromium");
}

TEST_F(DesktopBrowsersCaptureE2E, readsNothingOnceDeselectedInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefox());
    readNothingOnceDeselected("Firefox");
}

TEST_F(DesktopBrowsersCaptureE2E, readsNothingOnceDeselectedInChromium) {
    ASSERT_NO_FATAL_FAILURE(startChromium());
    readNothingOnceDeselected("Chromium");
}

// Chromium offers the texts of absolutely positioned paragraphs one right after the other: the
// blank line between them in the accessible text stands.
TEST_F(DesktopBrowsersCaptureE2E, keepsTheBreaksBetweenAbsolutelyPositionedParagraphsInChromium) {
    ASSERT_NO_FATAL_FAILURE(startChromium(Paragraphs::absolutelyPositioned));
    ASSERT_NO_FATAL_FAILURE(waitUntilShown("Chromium"));
    const auto words = [](QString text) { return text.remove(QRegularExpression("\\s")); };
    readChangingSelection(
        "Chromium (absolutely positioned paragraphs)",
        [](int round) -> std::optional<QString> {
            const int first = round % (pageParagraphs - 1);
            if (!dragOver(first, first + 1))
                return std::nullopt;
            return lines(first, 2, QStringLiteral("\n\n"));
        },
        // Once the page shows the selection too: the breaks are the accessible text's to give.
        [&](const QString& text) {
            return pumpUntil(
                [&] {
                    const auto shown =
                        accessibility->focusSnapshot(AXFocusScope::systemWide(), 0.5);
                    return words(offeredText()) == words(text) && shown && shown->selectedText &&
                           words(*shown->selectedText) == words(text);
                },
                selectTimeout);
        },
        true);
}

TEST_F(DesktopBrowsersCaptureE2E, readsAFramesSelectionUntilDeselectedInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefox());
    readAFramesSelectionUntilDeselected("Firefox (frame)");
}

TEST_F(DesktopBrowsersCaptureE2E, readsAFramesSelectionUntilDeselectedInChromium) {
    ASSERT_NO_FATAL_FAILURE(startChromium());
    readAFramesSelectionUntilDeselected("Chromium (frame)");
}

TEST_F(DesktopBrowsersCaptureE2E, readsNothingInAHiddenTabInFirefox) {
    ASSERT_NO_FATAL_FAILURE(startFirefox(Tabs::two));
    readNothingInAHiddenTab("Firefox (tabs)");
}

TEST_F(DesktopBrowsersCaptureE2E, readsNothingInAHiddenTabInChromium) {
    ASSERT_NO_FATAL_FAILURE(startChromium(Paragraphs::inFlow, Tabs::two));
    readNothingInAHiddenTab("Chromium (tabs)");
}

} // namespace
