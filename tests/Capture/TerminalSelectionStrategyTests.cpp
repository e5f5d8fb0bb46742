#include "Capture/TerminalSelectionStrategy.h"
#include "support/CaptureFakes.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace Capture;
using Core::CaptureError;
using Verdict = TerminalDetector::Verdict;

namespace {

const Core::FrontmostApp terminal{QStringLiteral("Terminal"), QStringLiteral("org.terminal"), 7};
const Core::FrontmostApp editor{QStringLiteral("Editor"), QStringLiteral("org.editor"), 42};

class TerminalSelectionStrategyTest : public ::testing::Test {
protected:
    TerminalSelectionStrategyTest() { focus(QStringLiteral("text")); }

    StrategyResult capture(const Core::FrontmostApp& app, bool isFrontmost = true) {
        return strategy.capture({app, isFrontmost}, std::stop_source().get_token());
    }
    void focus(const QString& role) { ax->snapshot = AXFocusSnapshot{std::nullopt, role, {}}; }
    void focusTerminal() { focus(QString::fromLatin1(AXFocusSnapshot::terminalRole)); }

    std::shared_ptr<TestSupport::FakeAXClient> ax = std::make_shared<TestSupport::FakeAXClient>();
    std::shared_ptr<TestSupport::FakePrimarySelection> primarySelection =
        std::make_shared<TestSupport::FakePrimarySelection>();
    std::shared_ptr<TerminalDetector> terminals = std::make_shared<TerminalDetector>(
        [](const Core::FrontmostApp& app) { return app == terminal; }, ax);
    TerminalSelectionStrategy strategy{primarySelection, terminals};
};

} // namespace

TEST_F(TerminalSelectionStrategyTest, ReadsWhatATerminalOffersAndLeavesOtherApplicationsAlone) {
    primarySelection->offer(QStringLiteral("Line 23"));
    const StrategyResult read = capture(terminal);
    ASSERT_TRUE(read && *read);
    EXPECT_EQ(**read, (Core::SelectionCapture{QStringLiteral("Line 23"), terminal, std::nullopt,
                                              Core::CapturePath::offeredSelection}));
    // A terminal emulator's window says enough: its focused element is not asked.
    EXPECT_TRUE(ax->roleScopes.empty());

    // An editor's offered selection may be an older one than its accessible selection.
    const StrategyResult other = capture(editor);
    ASSERT_TRUE(other);
    EXPECT_FALSE(*other);
    EXPECT_EQ(primarySelection->reads(), 1);
}

// Kate's terminal panel: the window is an editor's, the focused element a terminal.
TEST_F(TerminalSelectionStrategyTest, ATerminalInAnotherApplicationsWindowIsReadFromWhatItOffers) {
    focusTerminal();
    primarySelection->offer(QStringLiteral("Line 253"));
    const StrategyResult front = capture(editor);
    ASSERT_TRUE(front && *front);
    EXPECT_EQ((*front)->text, QStringLiteral("Line 253"));
    EXPECT_EQ((*front)->path, Core::CapturePath::offeredSelection);

    // Retargeted from this application's window, the editor's own focused element is asked.
    const StrategyResult behind = capture(editor, false);
    ASSERT_TRUE(behind && *behind);
    EXPECT_EQ(ax->roleScopes, (std::vector<AXFocusScope>{AXFocusScope::systemWide(),
                                                         AXFocusScope::application(42)}));
}

// Nothing on offer is nothing selected: neither the terminal's drifting accessible selection nor
// a copy keystroke is tried after it.
TEST_F(TerminalSelectionStrategyTest, ATerminalOfferingNothingHasNothingSelected) {
    for (const bool embedded : {false, true}) {
        if (embedded)
            focusTerminal();
        for (const std::optional<QString>& offered :
             {std::optional<QString>(), std::optional(QString())}) {
            primarySelection->offer(offered);
            const StrategyResult read = capture(embedded ? editor : terminal);
            ASSERT_FALSE(read);
            EXPECT_EQ(read.error(), CaptureError::nothingSelected());
        }
    }
    primarySelection->offerTooMuch();
    const StrategyResult tooMuch = capture(terminal);
    ASSERT_FALSE(tooMuch);
    EXPECT_EQ(tooMuch.error(), CaptureError::selectionTooLarge());
}

TEST_F(TerminalSelectionStrategyTest, TheDetectorTellsWhatItCouldNotLearnInTime) {
    const CaptureTarget target{editor, true};
    EXPECT_EQ(terminals->classify(target), Verdict::other);
    focusTerminal();
    EXPECT_EQ(terminals->classify(target), Verdict::terminal);
    ax->snapshot = AXFocusSnapshot{};
    EXPECT_EQ(terminals->classify(target), Verdict::other) << "no focused element";
    ax->snapshot = Base::failure(CaptureError::timedOut());
    EXPECT_EQ(terminals->classify(target), Verdict::unknown);
    EXPECT_EQ(terminals->classify({terminal, true}), Verdict::terminal);

    // Not knowing is no reason to read what the application offers ahead of its accessible text.
    primarySelection->offer(QStringLiteral("an older selection"));
    const StrategyResult read = capture(editor);
    ASSERT_TRUE(read);
    EXPECT_FALSE(*read);
    EXPECT_EQ(primarySelection->reads(), 0);
}
