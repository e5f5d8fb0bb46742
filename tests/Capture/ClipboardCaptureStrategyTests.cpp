#include "Capture/ClipboardCaptureStrategy.h"
#include "support/CaptureFakes.h"
#include "support/Printers.h"
#include "support/VirtualTime.h"

#include <gtest/gtest.h>

using namespace Capture;
using TestSupport::textItem;

namespace {

const Core::FrontmostApp editor{QStringLiteral("Editor"), QStringLiteral("org.editor"), 42};
const QList<PasteboardItem> usersItems{textItem(QStringLiteral("the user's own copy"))};

class ClipboardCaptureStrategyTest : public ::testing::Test {
protected:
    ClipboardCaptureStrategyTest() {
        pasteboard->write(usersItems);
        keyPoster->onCopy = [this] { pasteboard->writeText(QStringLiteral("selected text")); };
    }

    // The captured text, or nothing.
    std::optional<QString> capture(bool isFrontmost = true) {
        const StrategyResult result = strategy.capture({editor, isFrontmost}, stop.get_token());
        EXPECT_TRUE(result) << "the clipboard strategy never fails";
        if (!result || !*result)
            return std::nullopt;
        EXPECT_EQ((*result)->sourceApp, editor);
        EXPECT_FALSE((*result)->selectionBounds);
        return (*result)->text;
    }

    TestSupport::VirtualTime time;
    std::shared_ptr<TestSupport::FakePasteboard> pasteboard =
        std::make_shared<TestSupport::FakePasteboard>(time);
    std::shared_ptr<TestSupport::FakeKeyPoster> keyPoster =
        std::make_shared<TestSupport::FakeKeyPoster>();
    bool ownAppIsFrontmost = false;
    std::stop_source stop;
    std::shared_ptr<TestSupport::FakePrimarySelection> primarySelection =
        std::make_shared<TestSupport::FakePrimarySelection>();
    std::shared_ptr<TestSupport::FakeAXClient> ax = std::make_shared<TestSupport::FakeAXClient>();
    ClipboardCaptureStrategy strategy{
        primarySelection,
        std::make_shared<PasteboardGate>(pasteboard, time, time, 0.5),
        keyPoster,
        std::make_shared<TerminalDetector>([](const Core::FrontmostApp&) { return false; }, ax),
        0.005,
        0.4,
        0.6,
        [this] { return ownAppIsFrontmost; },
        time,
        time};
};

} // namespace

TEST_F(ClipboardCaptureStrategyTest, CopiesTheSelectionAndPutsTheUsersCopyBack) {
    EXPECT_EQ(capture(), QStringLiteral("selected text"));
    EXPECT_EQ(keyPoster->copies, 1);
    EXPECT_EQ(pasteboard->items(), usersItems);
}

TEST_F(ClipboardCaptureStrategyTest, RetargetedCaptureTouchesNeitherKeysNorPasteboard) {
    EXPECT_EQ(capture(false), std::nullopt);
    EXPECT_EQ(keyPoster->modifierQueries, 0);
    EXPECT_EQ(keyPoster->copies, 0);
    EXPECT_EQ(pasteboard->snapshots(), 0);
}

TEST_F(ClipboardCaptureStrategyTest, CopiesSoonAfterTheModifiersAreReleased) {
    keyPoster->released = false;
    time.at(0.25, [this] { keyPoster->released = true; });
    double copiedAt = -1;
    keyPoster->onCopy = [&] {
        copiedAt = time.now();
        pasteboard->writeText(QStringLiteral("selected text"));
    };
    EXPECT_EQ(capture(), QStringLiteral("selected text"));
    EXPECT_GE(copiedAt, 0.25);
    EXPECT_LE(copiedAt, 0.2601);
}

TEST_F(ClipboardCaptureStrategyTest, ModifiersHeldPastTheLimitSendNothing) {
    keyPoster->released = false;
    EXPECT_EQ(capture(), std::nullopt);
    EXPECT_EQ(keyPoster->copies, 0);
    EXPECT_GE(time.now(), 0.6 - 1e-9);
    EXPECT_LT(time.now(), 0.62);
    EXPECT_GE(keyPoster->modifierQueries, 60);
}

TEST_F(ClipboardCaptureStrategyTest, StopDuringTheModifierWaitSendsNothing) {
    keyPoster->released = false;
    time.at(0.1, [this] { stop.request_stop(); });
    EXPECT_EQ(capture(), std::nullopt);
    EXPECT_EQ(keyPoster->copies, 0);
    EXPECT_LT(time.now(), 0.12);
}

TEST_F(ClipboardCaptureStrategyTest, OwnApplicationInFrontAtReleaseGetsNoCopy) {
    ownAppIsFrontmost = true;
    EXPECT_EQ(capture(), std::nullopt);
    EXPECT_EQ(keyPoster->copies, 0);
}

TEST_F(ClipboardCaptureStrategyTest, EmptyOrNonTextCopiesYieldNothing) {
    const QList<QList<PasteboardItem>> copies{
        {textItem(QString())},
        {{{QStringLiteral("image/png"), QByteArray("\x89PNG")}}},
    };
    for (const auto& copied : copies) {
        keyPoster->onCopy = [&] { pasteboard->write(copied); };
        EXPECT_EQ(capture(), std::nullopt);
        EXPECT_EQ(pasteboard->items(), usersItems);
    }
}

TEST_F(ClipboardCaptureStrategyTest, TheApplicationsOfferedSelectionNeedsNoKeystroke) {
    primarySelection->offer(QStringLiteral("offered line"));
    keyPoster->refuses = true;
    EXPECT_EQ(capture(), QStringLiteral("offered line"));
    EXPECT_EQ(capture(false), QStringLiteral("offered line"));
    EXPECT_EQ(keyPoster->copies, 0);
    EXPECT_EQ(pasteboard->snapshots(), 0);

    // An empty offer counts as none: the copy is tried, unless the application refuses it.
    primarySelection->offer(QString());
    EXPECT_EQ(capture(), std::nullopt);
    EXPECT_EQ(keyPoster->copies, 0);
    keyPoster->refuses = false;
    EXPECT_EQ(capture(), QStringLiteral("selected text"));
    EXPECT_EQ(keyPoster->copies, 1);
}

// The copy keystroke goes where the keyboard focus is: a terminal panel in an editor's window
// would get an interrupt, and a focus that cannot say what it is in time might be one.
TEST_F(ClipboardCaptureStrategyTest, NoKeystrokeIntoAFocusedTerminalOrAFocusThatDoesNotSay) {
    ax->snapshot =
        AXFocusSnapshot{std::nullopt, QString::fromLatin1(AXFocusSnapshot::terminalRole), {}};
    EXPECT_EQ(capture(), std::nullopt);
    ax->snapshot = Base::failure(Core::CaptureError::timedOut());
    EXPECT_EQ(capture(), std::nullopt);
    EXPECT_EQ(keyPoster->copies, 0);
    EXPECT_EQ(pasteboard->snapshots(), 0);

    // An element without a role, or with any other, takes the copy.
    for (const std::optional<QString>& role :
         {std::optional<QString>(), std::optional(QStringLiteral("push button"))}) {
        ax->snapshot = AXFocusSnapshot{std::nullopt, role, {}};
        EXPECT_EQ(capture(), QStringLiteral("selected text"));
    }
    EXPECT_EQ(keyPoster->copies, 2);
}

TEST_F(ClipboardCaptureStrategyTest, NoKeystrokeOnceTheDeadlineHasPassedWhileSavingThePasteboard) {
    pasteboard->onSnapshot = [this] { stop.request_stop(); };
    EXPECT_EQ(capture(), std::nullopt);
    EXPECT_EQ(keyPoster->copies, 0);
    EXPECT_EQ(pasteboard->items(), usersItems);
}

TEST_F(ClipboardCaptureStrategyTest, ASelectionPastTheLimitFailsWhicheverWayItCame) {
    primarySelection->offerTooMuch();
    StrategyResult result = strategy.capture({editor, true}, stop.get_token());
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), Core::CaptureError::selectionTooLarge());
    EXPECT_EQ(keyPoster->copies, 0);

    primarySelection->offer(std::nullopt);
    // Refused by the pasteboard's reading; and bytes within the limit that are no UTF-8 grow
    // past it as text (each becomes a replacement character of three bytes).
    constexpr qsizetype limit = Core::CaptureError::maxSelectionBytes;
    for (const QByteArray& huge : {QByteArray(limit + 1, 'a'), QByteArray(limit, '\xff')}) {
        keyPoster->onCopy = [&] { pasteboard->write({{{TestSupport::plainTextType, huge}}}); };
        result = strategy.capture({editor, true}, stop.get_token());
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), Core::CaptureError::selectionTooLarge());
        EXPECT_EQ(pasteboard->items(), usersItems);
    }
}

// The limit counts UTF-8 bytes, not characters: three bytes for each of these letters.
TEST(SelectionLimit, CountsTheBytesOfTheTextInUtf8) {
    constexpr qsizetype limit = Core::CaptureError::maxSelectionBytes;
    EXPECT_FALSE(exceedsSelectionLimit(QString(limit, QLatin1Char('a'))));
    EXPECT_TRUE(exceedsSelectionLimit(QString(limit + 1, QLatin1Char('a'))));
    EXPECT_FALSE(exceedsSelectionLimit(QString(limit / 3, QChar(0x8a9e))));
    EXPECT_TRUE(exceedsSelectionLimit(QString(limit / 3 + 1, QChar(0x8a9e))));
}
