#include "ShellTesting.h"

#include "Parlino/Panel/PanelMessages.h"
#include "Parlino/Services/KeyringState.h"
#include "support/LogCapture.h"

#include <QRegularExpression>

using namespace Parlino;
using namespace ShellTesting;
using Core::CaptureError;
using Core::TTSError;
using Kind = PlayerViewModel::Phase::Kind;

namespace {

const QString text = QStringLiteral("Parlino reads this aloud.");

// Each way a read or a capture can fail, through the composition root's pipeline, ends on the
// phase that names its own cause.
class FailureCauseTest : public RootTest {
protected:
    FailureCauseTest() { root().wirePlayerActions(); }

    TTSError stallError() { return player().phase().ttsError().value_or(TTSError::textTooLong()); }
    // A press of a trigger, one second after the last, and the capture failure it left.
    std::optional<CaptureError> pressFailure(AppCoordinator::Listening listening) {
        player().hide();
        settings.clock.set(settings.clock.now() + 1);
        bool done = false;
        root().coordinator().handlePress(AppCoordinator::FinishedReplay::enabled, listening,
                                         [&] { done = true; });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return done; }));
        return player().phase().captureError();
    }
    std::optional<CaptureError> tapFailure() {
        return pressFailure(AppCoordinator::Listening::onceCaptured);
    }
};

TEST_F(FailureCauseTest, AReadWithoutASavedKeySendsNothingSaysSoAndRetriesOnceOneIsSaved) {
    secrets->secrets.clear();
    read(text);
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    EXPECT_EQ(stallError(), TTSError::noKey());
    EXPECT_EQ(synthesisRequests(), 0);

    secrets->secrets.insert(apiKeyAccount, apiKey);
    player().onRetry();
    ASSERT_TRUE(waitForAudio());
    EXPECT_TRUE(playToEnd());
}

TEST_F(FailureCauseTest, AKeyringThatCannotBeReadIsNeitherAMissingNorARejectedKey) {
    const std::pair<KeychainReadResult, TTSError> outcomes[] = {
        {KeychainReadResult::locked(KeychainStatus::locked), TTSError::keyLocked()},
        {KeychainReadResult::error(KeychainStatus::failed), TTSError::keyUnreadable()},
        {KeychainReadResult::error(KeychainStatus::unavailable), TTSError::keyringUnavailable()},
        {KeychainReadResult::error(KeychainStatus::timedOut), TTSError::keyringUnavailable()},
        {KeychainReadResult::error(KeychainStatus::noKeyring), TTSError::noKeyring()},
        {KeychainReadResult::locked(KeychainStatus::awaitingUnlock),
         TTSError::keyringAwaitingUnlock()},
        {KeychainReadResult::error(KeychainStatus::unusable), TTSError::keyUnusable()}};
    for (const auto& [outcome, error] : outcomes) {
        SCOPED_TRACE(outcome.status());
        secrets->nextLookup = outcome;
        read(text);
        ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
        EXPECT_EQ(stallError(), error);
        // In the same words as the settings say it.
        EXPECT_EQ(PanelMessages::stallRow(error).message,
                  keyringStateText(keyringStateOf(outcome).value()));
    }
    EXPECT_EQ(synthesisRequests(), 0);

    // Once the keyring answers again, Retry reads with the key it holds.
    player().onRetry();
    ASSERT_TRUE(waitForAudio());
    EXPECT_EQ(synthesisRequests(), 1);
}

TEST_F(FailureCauseTest, LosingTheSoundOutputMidReadSaysSoAndRetryPlaysOnFromThere) {
    read(text);
    ASSERT_TRUE(waitForAudio());
    ASSERT_TRUE(playUntil([this] { return root().speechSession()->elapsed() > 0.5; }));
    const double heard = root().speechSession()->elapsed();

    factories.last()->lastSource->failed();
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    EXPECT_EQ(stallError(), TTSError::audioOutputLost());
    EXPECT_EQ(PanelMessages::stallRow(stallError()).action, PanelMessages::StallAction::retry);

    player().onRetry();
    ASSERT_TRUE(pumpUntilPhase(Kind::playing));
    EXPECT_NEAR(root().speechSession()->elapsed(), heard, 0.1);
    EXPECT_TRUE(playToEnd());
    EXPECT_EQ(synthesisRequests(), 1);
}

TEST_F(FailureCauseTest, AudioThatDoesNotDecodeOffersARetryThatAsksForItAgain) {
    service.serveSpeech(QByteArray(4096, 'x'), 1.5);
    read(text);
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    EXPECT_EQ(PanelMessages::stallRow(stallError()).action, PanelMessages::StallAction::retry);

    service.serveSpeech(speech, 1.5);
    player().onRetry();
    ASSERT_TRUE(waitForAudio());
    EXPECT_TRUE(playToEnd());
    EXPECT_EQ(synthesisRequests(), 2);
}

// The display tick runs only while a read plays, so a read that stalls before its first frame
// must not inherit the last read's elapsed and total times.
TEST_F(FailureCauseTest, AReadThatStallsAtOnceStartsItsProgressFromZero) {
    read(text);
    ASSERT_TRUE(waitForAudio());
    ASSERT_TRUE(playToEnd());
    const double previousTotal = player().progress().total().seconds;
    ASSERT_GT(player().progress().elapsed(), 1.0);

    secrets->secrets.clear();
    read(QStringLiteral("Word"));
    ASSERT_TRUE(pumpUntilPhase(Kind::stalled));
    EXPECT_EQ(player().progress().elapsed(), 0);
    EXPECT_EQ(player().progress().elapsedWholeSeconds(), 0);
    EXPECT_LT(player().progress().total().seconds, previousTotal / 2);
}

TEST_F(FailureCauseTest, ATapThatCapturesNothingShowsWhyFromAnEditorOrATerminal) {
    EXPECT_EQ(tapFailure(), CaptureError::nothingSelected());

    // A terminal gets no copy keystroke: without a selection on offer, nothing is selected.
    const int copies = keyPoster->copies;
    keyPoster->refuses = true;
    EXPECT_EQ(tapFailure(), CaptureError::nothingSelected());
    EXPECT_EQ(keyPoster->copies, copies);

    primarySelection->offer(QStringLiteral("terminal line"));
    EXPECT_EQ(tapFailure(), std::nullopt);
    EXPECT_EQ(player().text(), QStringLiteral("terminal line"));
    EXPECT_EQ(keyPoster->copies, copies);
    primarySelection->offer(std::nullopt);

    accessibility->snapshot = Capture::AXFocusSnapshot{QStringLiteral("selected"), {}, {}};
    EXPECT_EQ(tapFailure(), std::nullopt);
    EXPECT_EQ(player().text(), QStringLiteral("selected"));
}

// A terminal's accessible selection drifts by the lines that have scrolled away, while what it
// offers is the line the user highlighted; an editor's offered selection can be an older mouse
// selection while its accessible one is the current one. The log says which way each came.
TEST_F(FailureCauseTest, ATerminalIsReadFromWhatItOffersAndAnEditorFromItsAccessibleText) {
    TestSupport::LogCapture logs;
    accessibility->snapshot = Capture::AXFocusSnapshot{QStringLiteral("Line 14"), {}, {}};
    primarySelection->offer(QStringLiteral("Line 23"));
    const Core::FrontmostApp editor = workspace->front;
    workspace->front = {QStringLiteral("Terminal"), terminalBundleID, 9};
    EXPECT_EQ(tapFailure(), std::nullopt);
    EXPECT_EQ(player().text(), QStringLiteral("Line 23"));

    workspace->front = editor;
    EXPECT_EQ(tapFailure(), std::nullopt);
    EXPECT_EQ(player().text(), QStringLiteral("Line 14"));

    const QStringList lines = logs.messages(QStringLiteral("focus-diag"))
                                  .filter(QRegularExpression("^selection captured by"));
    ASSERT_EQ(lines.size(), 2) << lines.join('|').toStdString();
    EXPECT_TRUE(lines[0].startsWith("selection captured by PRIMARY in ")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("selection captured by accessibility in "))
        << lines[1].toStdString();
    EXPECT_FALSE(lines.join(' ').contains("Line")) << "the text is never logged";
}

TEST_F(FailureCauseTest, ASelectionTooLargeToReadSaysSo) {
    workspace->front = {QStringLiteral("Terminal"), terminalBundleID, 9};
    primarySelection->offerTooMuch();
    EXPECT_EQ(tapFailure(), CaptureError::selectionTooLarge());
    EXPECT_EQ(player().phase().dwell(), PlayerViewModel::Dwell::persist);
}

// From this application's own window the selection is looked for in the application the user
// came from; an answer that does not come in time is no fault of that application.
TEST_F(FailureCauseTest, APressFromThisApplicationsWindowThatGetsNoAnswerAsksToGoBack) {
    root().observeWorkspace();
    workspace->activated(workspace->front);
    workspace->front = {QStringLiteral("Parlino"), QStringLiteral("Parlino"), 7};
    accessibility->snapshot = Capture::AXFocusSnapshot{QStringLiteral("too late"), {}, {}};

    player().hide();
    settings.clock.set(settings.clock.now() + 1);
    root().coordinator().handlePress(AppCoordinator::FinishedReplay::enabled,
                                     AppCoordinator::Listening::atPress);
    time().advance(1.0); // the capture deadline passes before the capture reports
    ASSERT_TRUE(TestSupport::pumpUntil([this] { return phase() == Kind::failed; }));
    EXPECT_EQ(player().phase().captureError(), CaptureError::ownAppFrontmost());
}

} // namespace
