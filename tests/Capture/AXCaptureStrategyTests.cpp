#include "Capture/AXCaptureStrategy.h"
#include "support/CaptureFakes.h"
#include "support/Printers.h"
#include "support/VirtualTime.h"

#include <gtest/gtest.h>

using namespace Capture;
using Core::CaptureError;

namespace {

const Core::FrontmostApp editor{QStringLiteral("Editor"), QStringLiteral("org.editor"), 42};

AXFocusSnapshot caretOnly() {
    AXFocusSnapshot snapshot;
    snapshot.caretWithoutSelection = true;
    return snapshot;
}

// The page of the tab that the user left, which its browser says still has the focus.
AXFocusSnapshot pageOutOfSight() {
    AXFocusSnapshot snapshot = caretOnly();
    snapshot.pageOutOfSight = true;
    return snapshot;
}

AXFocusSnapshot selecting(const QString& text) {
    AXFocusSnapshot snapshot;
    snapshot.selectedText = text;
    return snapshot;
}

class AXCaptureStrategyTest : public ::testing::Test {
protected:
    StrategyResult capture(bool isFrontmost = true) {
        return strategy.capture({editor, isFrontmost}, {});
    }
    void focus(std::optional<QString> text, std::optional<QString> role = QStringLiteral("text"),
               std::optional<QRectF> bounds = std::nullopt) {
        ax->snapshot = AXFocusSnapshot{std::move(text), std::move(role), bounds};
    }

    std::shared_ptr<TestSupport::FakeAXClient> ax = std::make_shared<TestSupport::FakeAXClient>();
    std::shared_ptr<TestSupport::FakePrimarySelection> primarySelection =
        std::make_shared<TestSupport::FakePrimarySelection>();
    TestSupport::VirtualTime time;
    AXCaptureStrategy strategy{ax, primarySelection, time, time};
};

} // namespace

TEST_F(AXCaptureStrategyTest, SecureInputIsRefusedBeforeTrustIsAsked) {
    ax->secureInput = true;
    ax->trusted = false;
    focus(QStringLiteral("secret"));
    const auto result = capture();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), CaptureError::secureField());
    EXPECT_EQ(ax->trustQueries, 0);
    EXPECT_TRUE(ax->scopes.empty());
}

TEST_F(AXCaptureStrategyTest, MissingTrustIsPermissionDenied) {
    ax->trusted = false;
    focus(QStringLiteral("text"));
    const auto result = capture();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), CaptureError::permissionDenied());
    EXPECT_TRUE(ax->scopes.empty());
}

TEST_F(AXCaptureStrategyTest, AsksTheFocusedElementOfTheTargetsScope) {
    focus(QStringLiteral("hello"));
    ASSERT_TRUE(capture(true));
    ASSERT_TRUE(capture(false));
    ASSERT_EQ(ax->scopes.size(), 2u);
    EXPECT_EQ(ax->scopes[0], AXFocusScope::systemWide());
    EXPECT_EQ(ax->scopes[1], AXFocusScope::application(42));
    EXPECT_EQ(ax->timeouts, (std::vector<double>{0.5, 0.5}));
}

TEST_F(AXCaptureStrategyTest, SnapshotFailurePassesOnUnchanged) {
    ax->snapshot = Base::failure(CaptureError::timedOut());
    const auto result = capture();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), CaptureError::timedOut());
}

TEST_F(AXCaptureStrategyTest, PasswordFieldIsRefusedEvenWithSelectedText) {
    focus(QStringLiteral("hunter2"), QString::fromLatin1(AXFocusSnapshot::secureTextFieldRole));
    const auto result = capture();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), CaptureError::secureField());
}

TEST_F(AXCaptureStrategyTest, YieldsTheSelectedTextUnchangedWithItsBounds) {
    const QRectF bounds(10.5, 20, 300, 18);
    focus(QStringLiteral("  Hello, world.\n"), std::nullopt, bounds);
    const auto withBounds = capture();
    ASSERT_TRUE(withBounds && *withBounds);
    EXPECT_EQ(**withBounds,
              (Core::SelectionCapture{QStringLiteral("  Hello, world.\n"), editor, bounds}));

    focus(QStringLiteral("   "));
    const auto blanks = capture(false);
    ASSERT_TRUE(blanks && *blanks);
    EXPECT_EQ(**blanks, (Core::SelectionCapture{QStringLiteral("   "), editor, std::nullopt}));
}

TEST_F(AXCaptureStrategyTest, NoOrEmptySelectionYieldsNothing) {
    for (const auto& text : {std::optional<QString>(), std::optional(QString())}) {
        focus(text);
        const auto result = capture();
        ASSERT_TRUE(result);
        EXPECT_FALSE(*result);
    }
}

// Kate and KWrite copy the caret's line when nothing is selected: an editable text that says it
// has only a caret ends the capture before any copy could be tried.
TEST_F(AXCaptureStrategyTest, OnlyACaretInAnEditableTextIsNothingSelected) {
    for (const auto& text : {std::optional<QString>(), std::optional(QString())}) {
        focus(text);
        ax->snapshot->caretWithoutSelection = true;
        const auto result = capture();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), CaptureError::nothingSelected());
    }
}

// An editor that a lagging screen reader holds up answers between the user's keys: its caret has
// moved, its selection is not made yet. What it offers as selected comes after it has taken them.
TEST_F(AXCaptureStrategyTest, OnlyACaretWhileTheApplicationOffersASelectionIsAskedAgain) {
    ax->snapshot = caretOnly();
    ax->laterSnapshots.push_back(selecting(QStringLiteral("Line 3.")));
    primarySelection->offer(QStringLiteral("Line 3."));
    const auto result = capture();
    ASSERT_TRUE(result && *result);
    EXPECT_EQ((*result)->text, QStringLiteral("Line 3."));
    EXPECT_EQ(ax->scopes.size(), 2u);

    // Kate keeps offering a selection after the user has moved the caret away from it.
    ax->snapshot = caretOnly();
    ax->laterSnapshots.push_back(caretOnly());
    const auto staleOffer = capture();
    ASSERT_FALSE(staleOffer);
    EXPECT_EQ(staleOffer.error(), CaptureError::nothingSelected());
    EXPECT_EQ(ax->scopes.size(), 4u);
}

// A browser offers a new selection before its page shows it: a selection offered only just now is
// looked for until it has had the time to show; one taken away shows only a caret all along.
TEST_F(AXCaptureStrategyTest, OnlyACaretWhileANewSelectionIsOfferedIsAskedUntilItCanShow) {
    ax->snapshot = caretOnly();
    ax->laterSnapshots = {caretOnly(), caretOnly(), selecting(QStringLiteral("Line 3."))};
    primarySelection->offer(QStringLiteral("Line 3."), 0.02);
    const double started = time.now();
    const auto shown = capture();
    ASSERT_TRUE(shown && *shown);
    EXPECT_EQ((*shown)->text, QStringLiteral("Line 3."));
    EXPECT_EQ(ax->scopes.size(), 4u);
    EXPECT_DOUBLE_EQ(time.now() - started, 2 * AXCaptureStrategy::lookInterval);

    // Taken away right after it was made.
    ax->snapshot = caretOnly();
    primarySelection->offer(QStringLiteral("Line 3."), 0.05);
    const double deselected = time.now();
    const auto nothing = capture();
    ASSERT_FALSE(nothing);
    EXPECT_EQ(nothing.error(), CaptureError::nothingSelected());
    EXPECT_GE(time.now() - deselected, AXCaptureStrategy::offerSettleTime - 0.05);
    EXPECT_LT(time.now() - deselected,
              AXCaptureStrategy::offerSettleTime - 0.05 + AXCaptureStrategy::lookInterval);

    // Taken away long after it was made: asked once more only, at once.
    const std::size_t asked = ax->scopes.size();
    primarySelection->offer(QStringLiteral("Line 3."), 2.0);
    const double old = time.now();
    const auto stale = capture();
    ASSERT_FALSE(stale);
    EXPECT_EQ(stale.error(), CaptureError::nothingSelected());
    EXPECT_EQ(ax->scopes.size(), asked + 2);
    EXPECT_EQ(time.now(), old);
}

// A browser gives the focus to the page on show a moment after a switch of tabs: until then
// nothing is known to be selected, and the selection of the page left, which the browser still
// offers, is not read.
TEST_F(AXCaptureStrategyTest, APageOutOfSightIsAskedAgainUntilThePageOnShowHasTheFocus) {
    primarySelection->offer(QStringLiteral("Line 1 of the tab left."), 2.0);
    ax->snapshot = pageOutOfSight();
    ax->laterSnapshots = {pageOutOfSight(), selecting(QStringLiteral("Line 3."))};
    double started = time.now();
    const auto onShow = capture();
    ASSERT_TRUE(onShow && *onShow);
    EXPECT_EQ((*onShow)->text, QStringLiteral("Line 3."));
    EXPECT_DOUBLE_EQ(time.now() - started, 2 * AXCaptureStrategy::lookInterval);

    ax->snapshot = pageOutOfSight();
    ax->laterSnapshots = {pageOutOfSight(), caretOnly()};
    const auto nothingOnShow = capture();
    ASSERT_FALSE(nothingOnShow);
    EXPECT_EQ(nothingOnShow.error(), CaptureError::nothingSelected());

    ax->snapshot = pageOutOfSight();
    started = time.now();
    const auto neverOnShow = capture();
    ASSERT_FALSE(neverOnShow);
    EXPECT_EQ(neverOnShow.error(), CaptureError::nothingSelected());
    EXPECT_GE(time.now() - started, AXCaptureStrategy::focusSettleTime);
    EXPECT_LT(time.now() - started,
              AXCaptureStrategy::focusSettleTime + AXCaptureStrategy::lookInterval);
}

// A browser that replaces a page gives the focus to the new one a moment later: what it still
// offers of the page gone is not read. A focus that stays gone hands over, as one without an
// element does.
TEST_F(AXCaptureStrategyTest, AFocusThatWentAwayIsAskedAgainUntilAnotherElementHasIt) {
    primarySelection->offer(QStringLiteral("Line 2 of the page gone."), 2.0);
    AXFocusSnapshot gone;
    gone.focusGone = true;
    ax->snapshot = gone;
    ax->laterSnapshots = {gone, caretOnly()};
    const auto replaced = capture();
    ASSERT_FALSE(replaced);
    EXPECT_EQ(replaced.error(), CaptureError::nothingSelected());

    ax->snapshot = gone;
    const double started = time.now();
    const auto stillGone = capture();
    ASSERT_TRUE(stillGone);
    EXPECT_FALSE(*stillGone);
    EXPECT_GE(time.now() - started, AXCaptureStrategy::focusSettleTime);
}

TEST_F(AXCaptureStrategyTest, OnlyACaretWithNoSelectionOfferedIsNotAskedAgain) {
    focus(std::nullopt);
    ax->snapshot->caretWithoutSelection = true;
    for (const auto& offered : {std::optional<QString>(), std::optional(QString())}) {
        primarySelection->offer(offered);
        const auto result = capture();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), CaptureError::nothingSelected());
    }
    EXPECT_EQ(ax->scopes.size(), 2u);
}

// A browser's paragraphs, put together by the reader: the browser's own line breaks win where it
// offers the same words.
TEST_F(AXCaptureStrategyTest, TextJoinedFromEmbeddedTextsTakesTheOfferedLineBreaks) {
    const QRectF bounds(0, 0, 300, 60);
    focus(QStringLiteral("One.\n\nTwo."), QStringLiteral("document web"), bounds);
    ax->snapshot->joinedFromEmbeddedTexts = true;
    primarySelection->offer(QStringLiteral("One.\nTwo.\n"));
    const auto offeredLines = capture();
    ASSERT_TRUE(offeredLines && *offeredLines);
    EXPECT_EQ(**offeredLines, (Core::SelectionCapture{QStringLiteral("One.\nTwo.\n"), editor,
                                                      bounds, Core::CapturePath::accessibility}));

    // Chromium offers absolutely positioned paragraphs one right after the other.
    focus(QStringLiteral("Alpha one.\n\nBravo two.\nCharlie."), QStringLiteral("document web"));
    ax->snapshot->joinedFromEmbeddedTexts = true;
    primarySelection->offer(QStringLiteral("Alpha one.Bravo two.\nCharlie.\n"));
    const auto joinedLines = capture();
    ASSERT_TRUE(joinedLines && *joinedLines);
    EXPECT_EQ((*joinedLines)->text, QStringLiteral("Alpha one.\n\nBravo two.\nCharlie.\n"));

    focus(QStringLiteral("One.\n\nTwo."), QStringLiteral("document web"), bounds);
    ax->snapshot->joinedFromEmbeddedTexts = true;
    primarySelection->offer(QStringLiteral("ONE.\nTwo. And more."));
    const auto otherOffer = capture();
    ASSERT_TRUE(otherOffer && *otherOffer);
    EXPECT_EQ((*otherOffer)->text, QStringLiteral("One.\n\nTwo."));

    ax->snapshot->joinedFromEmbeddedTexts = false;
    const int reads = primarySelection->reads();
    primarySelection->offer(QStringLiteral("One. Two."));
    const auto ownText = capture();
    ASSERT_TRUE(ownText && *ownText);
    EXPECT_EQ((*ownText)->text, QStringLiteral("One.\n\nTwo."));
    EXPECT_EQ(primarySelection->reads(), reads) << "a text read whole needs no offer";
}

// Chromium stretches a selection whose text the page hid over the whole of the element that held
// it, and still offers the hidden text: nothing is selected. A selection that the page made itself
// (its script's, find in page's) is read: the offer is the user's older one, which the page still
// shows. The page may not yet show a selection offered just now: it is asked until the offer has
// had the time to show.
TEST_F(AXCaptureStrategyTest, APagesSelectionOfAnotherTextIsReadUnlessThePageHidTheOffered) {
    const auto page = [](const char* text, bool whole) {
        AXFocusSnapshot snapshot = selecting(QString::fromUtf8(text));
        snapshot.joinedFromEmbeddedTexts = true;
        snapshot.selectsWholeElement = whole;
        return snapshot;
    };
    const auto read = [&](const AXFocusSnapshot& snapshot) {
        ax->snapshot = snapshot;
        const auto result = capture();
        return result && *result ? (*result)->text : QStringLiteral("<nothing>");
    };
    primarySelection->offer(QStringLiteral("Line 0 of the hidden block."), 2.0);
    ax->page = QStringLiteral("More\n\nLine 2 of the block after.");
    // Stretched over the blocks around the hidden one, from where the selection ended or whole.
    for (const bool whole : {false, true})
        EXPECT_EQ(read(page("More\n\nLine 2 of the block after.", whole)),
                  QStringLiteral("<nothing>"));
    EXPECT_EQ(ax->pageReads, 0) << "a selection of several blocks needs no look at the page";
    EXPECT_EQ(read(page("Line 2 of the block after.", true)), QStringLiteral("<nothing>"));
    ax->page = std::nullopt;
    EXPECT_EQ(read(page("Line 2 of the block after.", true)), QStringLiteral("<nothing>"));

    ax->page = QStringLiteral("Line 0 of the hidden block.\n\nLine 2 of the block after.");
    EXPECT_EQ(read(page("Line 2 of the block after.", true)),
              QStringLiteral("Line 2 of the block after."));
    const int pageReads = ax->pageReads;
    EXPECT_EQ(read(page("block after", false)), QStringLiteral("block after"));
    EXPECT_EQ(ax->pageReads, pageReads)
        << "a selection within an element needs no look at the page";

    ax->snapshot = page("Old line.", false);
    ax->laterSnapshots = {page("Old line.", false), page("New\nline.", false)};
    primarySelection->offer(QStringLiteral("New line."), 0.01);
    const auto shown = capture();
    ASSERT_TRUE(shown && *shown);
    EXPECT_EQ((*shown)->text, QStringLiteral("New line."));
}

// What pages draw and browsers add around the words of one selection: the browser's copy is read,
// unless the page's text holds words between the copy's (a field's value), or the copy holds
// words that the page shows nowhere.
TEST_F(AXCaptureStrategyTest, APagesTextOfTheOfferedSelectionReadsTheBrowsersCopyWhereItIsWhole) {
    const auto read = [&](const char* pageText, const char* offered) {
        focus(QString::fromUtf8(pageText), QStringLiteral("document web"));
        ax->snapshot->joinedFromEmbeddedTexts = true;
        primarySelection->offer(QString::fromUtf8(offered), 2.0);
        const auto result = capture();
        return result && *result ? (*result)->text : QStringLiteral("<nothing>");
    };
    EXPECT_EQ(read("He said “quoted words”.\n\n2.", "He said quoted words.\n\n"),
              QStringLiteral("He said quoted words.\n\n"));
    EXPECT_EQ(read("Before TYPED VALUE\nafter the field.", "Before \uFFFC after the field."),
              QStringLiteral("Before TYPED VALUE\nafter the field."));
    ax->page = QStringLiteral("An extraordinary word.");
    EXPECT_EQ(read("An extraordinary ", "An extraordinary word."),
              QStringLiteral("An extraordinary word."));
    EXPECT_EQ(read("An extraordinary ", "An extraordinary hidden word."),
              QStringLiteral("An extraordinary "));
}

// A browser busy making a window may not answer a second question in time: what it showed first
// stands, rather than handing the capture over to the selection it offers, that of a page left.
TEST_F(AXCaptureStrategyTest, AnAnswerThatCameFirstStandsWhenTheNextOneIsLate) {
    primarySelection->offer(QStringLiteral("Line 1 of the page left."), 2.0);
    for (const AXFocusSnapshot& first : {caretOnly(), pageOutOfSight()}) {
        ax->snapshot = first;
        ax->laterSnapshots = {Base::failure(CaptureError::timedOut())};
        const auto result = capture();
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), CaptureError::nothingSelected());
    }

    // Without a first answer, the capture hands over as before.
    ax->snapshot = Base::failure(CaptureError::timedOut());
    const auto late = capture();
    ASSERT_FALSE(late);
    EXPECT_EQ(late.error(), CaptureError::timedOut());
}
