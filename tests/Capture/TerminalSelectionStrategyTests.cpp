#include "Capture/TerminalSelectionStrategy.h"
#include "support/CaptureFakes.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

using namespace Capture;

namespace {

const Core::FrontmostApp terminal{QStringLiteral("Terminal"), QStringLiteral("org.terminal"), 7};
const Core::FrontmostApp editor{QStringLiteral("Editor"), QStringLiteral("org.editor"), 42};

class TerminalSelectionStrategyTest : public ::testing::Test {
protected:
    StrategyResult capture(const Core::FrontmostApp& app) {
        return strategy.capture({app, true}, std::stop_source().get_token());
    }

    std::shared_ptr<TestSupport::FakePrimarySelection> primarySelection =
        std::make_shared<TestSupport::FakePrimarySelection>();
    TerminalSelectionStrategy strategy{
        primarySelection, [](const Core::FrontmostApp& app) { return app == terminal; }};
};

} // namespace

TEST_F(TerminalSelectionStrategyTest, ReadsWhatATerminalOffersAndLeavesOtherApplicationsAlone) {
    primarySelection->offer(QStringLiteral("Line 23"));
    const StrategyResult read = capture(terminal);
    ASSERT_TRUE(read && *read);
    EXPECT_EQ(**read, (Core::SelectionCapture{QStringLiteral("Line 23"), terminal, std::nullopt,
                                              Core::CapturePath::offeredSelection}));

    // An editor's offered selection may be an older one than its accessible selection.
    const StrategyResult other = capture(editor);
    ASSERT_TRUE(other);
    EXPECT_FALSE(*other);
    EXPECT_EQ(primarySelection->reads(), 1);
}

TEST_F(TerminalSelectionStrategyTest, ATerminalOfferingNothingIsLeftToTheNextStrategy) {
    for (const std::optional<QString>& offered :
         {std::optional<QString>(), std::optional(QString())}) {
        primarySelection->offer(offered);
        const StrategyResult read = capture(terminal);
        ASSERT_TRUE(read);
        EXPECT_FALSE(*read);
    }
    primarySelection->offerTooMuch();
    const StrategyResult tooMuch = capture(terminal);
    ASSERT_FALSE(tooMuch);
    EXPECT_EQ(tooMuch.error(), Core::CaptureError::selectionTooLarge());
}
