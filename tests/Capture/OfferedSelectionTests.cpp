#include "Capture/OfferedSelection.h"

#include <gtest/gtest.h>

using namespace Capture;

namespace {

QString text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

} // namespace

// What browsers make of one selection, the page's text first, the offered one second.
TEST(OfferedSelectionTest, TextsThatPagesAndBrowsersMakeOfOneSelectionAreTheSame) {
    const std::pair<const char*, const char*> same[] = {
        // Quotation marks drawn around a quotation, straight or left out in the copy.
        {"He said “quoted words” to me today.", "He said \"quoted words\" to me today."},
        {"He said “quoted words” to me today.", "He said quoted words to me today.\n\n"},
        // Markers drawn after a link or glued to a word, a heading's number, a note's label.
        {"Read the guide↗ and the note[1] now.", "Read the guide and the note now."},
        {"2.Methods of the study", "Methods of the study"},
        {"Note: Keep the receipt for later.", "Keep the receipt for later."},
        {"Once upon a time.\n\nNote: ", "Once upon a time.\n\n"},
        // A byte-order mark after each emoji; ruby text in the page's text, or in the copy.
        {"We met 😀\uFEFF at the café 🎉\uFEFF and laughed.", "We met 😀 at the café 🎉 and laughed."},
        {"漢kan字ji is written so.", "漢字 is written so."},
        {"漢字\n is written so.", "漢kan字ji is written so."},
        // Selections of lines started early and cut short by a browser, which counts soft hyphens
        // or characters beyond the Basic Multilingual Plane wrongly.
        {"rdinary in\u00ADter\u00ADna\u00ADti", "dinary in\u00ADter\u00ADna\u00ADtion\u00ADal"},
        {"he café 🎉 and laughed a lo\n\nWell done 👍 today",
         "e café 🎉 and laughed a lot.\n\nWell done 👍 today."},
        // A field's value and an image's description, which only the page's text holds.
        {"Before TYPED VALUE\nafter the field.", "Before \uFFFC after the field."},
        {"See the chart:\n\nA bar chart of sales over five years in four regions\n\nas shown.",
         "See the chart:\n\nas shown."},
        // Nothing but symbols on either side.
        {"👍\uFEFF", "👍"},
    };
    for (const auto& [page, offered] : same)
        EXPECT_TRUE(OfferedSelection::isSame(text(page), text(offered))) << page;
}

TEST(OfferedSelectionTest, TextsOfOtherSelectionsAreNotTheSame) {
    const std::pair<const char*, const char*> other[] = {
        // Lines that differ in one word: a letter more or less is forgiven only at a line's edge.
        {"Line 3 of the text that Parlino reads aloud.",
         "Line 1 of the text that Parlino reads aloud."},
        {"The cat sat on the mat.", "The cut sat on the mat."},
        // One word of a longer text.
        {"First of the article.\n\nLast of the article.", "the"},
        {"the", "First of the article."},
        {"More\n\nLine 2 of the block after.", "Line 0 of the hidden block"},
        {"Some words.", "👍"},
        // A cut word must keep half its letters.
        {"Words of a line a", "Words of a line apple"},
    };
    for (const auto& [page, offered] : other)
        EXPECT_FALSE(OfferedSelection::isSame(text(page), text(offered))) << page;
}

TEST(OfferedSelectionTest, ReadsTheBrowsersCopyUnlessThePageHoldsMoreInside) {
    const auto neverAsked = [] {
        ADD_FAILURE() << "whether the offer shows was asked";
        return false;
    };
    // The page's line breaks where the offer runs its lines together.
    EXPECT_EQ(OfferedSelection::textToRead(text("Alpha one.\n\nBravo two."),
                                           text("Alpha one.Bravo two.\n"), neverAsked),
              text("Alpha one.\n\nBravo two.\n"));
    // What the page draws, at the edges or on its words, is left out; what the page cut short is
    // there.
    EXPECT_EQ(OfferedSelection::textToRead(text("He said “quoted words”.\n\n2."),
                                           text("He said \"quoted words\".\n\n"), neverAsked),
              text("He said \"quoted words\".\n\n"));
    EXPECT_EQ(OfferedSelection::textToRead(text("rdinary in\u00ADter\u00ADna\u00ADti"),
                                           text("dinary in\u00ADter\u00ADna\u00ADtion\u00ADal"),
                                           neverAsked),
              text("dinary in\u00ADter\u00ADna\u00ADtion\u00ADal"));
    // A field's value between the offered words: the page's text from the first to the last.
    EXPECT_EQ(
        OfferedSelection::textToRead(text("Note: Before TYPED VALUE\nafter “the” field.\n\n2."),
                                     text("Before \uFFFC after \"the\" field."), neverAsked),
        text("Before TYPED VALUE\nafter “the” field."));

    // The offer holds words that the page's text lacks: the copy only where the page shows it all.
    const QString page = text("An extra\u00ADordinary in\u00ADter\u00ADna\u00ADtion\u00ADal ");
    const QString offered =
        text("An extra\u00ADordinary in\u00ADter\u00ADna\u00ADtion\u00ADal word.");
    EXPECT_EQ(OfferedSelection::textToRead(page, offered, [] { return true; }), offered);
    EXPECT_EQ(OfferedSelection::textToRead(page, offered, [] { return false; }), page);
}

// The page of a selection that a script or find in page made still shows the user's older
// selection, whose text the browser offers; that of a selection that the page hid does not.
TEST(OfferedSelectionTest, TellsWhetherThePageShowsTheOfferedText) {
    const QString page = text("Intro of the page.\n\nRead the guide↗ and the note[1] now.\n\n"
                              "Selected by the page itself.\n\nFooter of the page.");
    const QString selected = text("Selected by the page itself.");
    EXPECT_TRUE(OfferedSelection::shows(page, text("Read the guide and the note now.")));
    EXPECT_TRUE(
        OfferedSelection::showsOutside(page, selected, text("Read the guide and the note now.")));
    EXPECT_TRUE(OfferedSelection::showsOutside(page, selected, text("Footer of the page")));
    // A word or two stand anywhere.
    EXPECT_FALSE(OfferedSelection::showsOutside(page, selected, text("the page")));
    EXPECT_FALSE(OfferedSelection::shows(page, text("Read the hidden guide now.")));
    EXPECT_FALSE(OfferedSelection::showsOutside(page, selected, text("by the page itself")));
    EXPECT_FALSE(OfferedSelection::showsOutside(page, selected, text("Selected")));
    // Far more words between the offered ones than they are is another text.
    EXPECT_FALSE(OfferedSelection::shows(page, text("Intro now.")));
}
