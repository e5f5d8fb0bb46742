#include "Parlino/Services/AppCoordinator.h"

#include "Parlino/Services/ServicesTesting.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakeTTSProvider.h"
#include "support/LogCapture.h"
#include "support/Printers.h"
#include "support/ReadPipelineFakes.h"

#include <gtest/gtest.h>

using namespace Parlino;
using namespace TestSupport;
using Core::CaptureError;
using FinishedReplay = AppCoordinator::FinishedReplay;
using Listening = AppCoordinator::Listening;
using Phase = PlayerViewModel::Phase;
using Dwell = PlayerViewModel::Dwell;
using SessionState = FakeReadSession::State;

namespace {

const QString finishedNoOp = QStringLiteral("tap-on-finished no-op");
const QString freshRead = QStringLiteral("same text, changed rendition — fresh read");

class AppCoordinatorTest : public ::testing::Test {
protected:
    AppCoordinatorTest() {
        viewModel.onPhaseChange = [this](const Phase& phase) { phases.push_back(phase); };
    }

    // A press one second after the previous one, so that it is never coalesced.
    void tap() { pressLater(FinishedReplay::suppressed, Listening::onceCaptured); }
    void shortcut() { pressLater(FinishedReplay::enabled, Listening::atPress); }
    void pressLater(FinishedReplay replay, Listening listening) {
        settings.clock.set(settings.clock.now() + 1);
        press(replay, listening);
    }
    // True when the press has ended by the time handlePress returns.
    bool press(FinishedReplay replay, Listening listening) {
        const int before = pressesEnded;
        coordinator.handlePress(replay, listening, [this] { ++pressesEnded; });
        return pressesEnded > before;
    }

    void tapCapturing(const QString& text) {
        pipeline.nextCapture = captured(text);
        tap();
    }
    void shortcutCapturing(const QString& text) {
        pipeline.nextCapture = captured(text);
        shortcut();
    }
    void setThreshold(qint64 threshold) { Defaults::set(keys.confirmThreshold, threshold); }

    ServicesTesting::TestSettings settings;
    const SettingsKeys& keys = settings.keys;
    VoicesModel voices{[] { return true; }, [](auto) {}};
    FakeReadPipeline pipeline{keys, voices};
    PlayerViewModel viewModel;
    AppCoordinator coordinator{pipeline, viewModel, settings.clock, keys};
    std::vector<Phase> phases;
    int pressesEnded = 0;
    LogCapture logs;
};

TEST_F(AppCoordinatorTest, PressesWithinTheWindowOfTheLastAcceptedPressAreDropped) {
    pipeline.nextCapture = captureFailure(CaptureError::nothingSelected());
    for (const double at : {0.1, 0.3, 0.35, 0.5, 0.59}) {
        settings.clock.set(at);
        EXPECT_TRUE(press(FinishedReplay::suppressed, Listening::onceCaptured)) << at;
    }
    // 0.3 falls within 250 ms of 0.1; 0.35 comes exactly one window after 0.1 (whatever the
    // rounding of the subtraction), and 0.5 and 0.59 within 250 ms of it.
    EXPECT_EQ(pipeline.captureModes.size(), 2u);
    settings.clock.set(0.6);
    press(FinishedReplay::suppressed, Listening::onceCaptured);
    EXPECT_EQ(pipeline.captureModes.size(), 3u);
    for (const auto mode : pipeline.captureModes)
        EXPECT_EQ(mode, Capture::CaptureMode::full);
}

TEST_F(AppCoordinatorTest, SupersededPressChangesNothingOnceItsCaptureReturns) {
    settings.clock.set(1);
    EXPECT_FALSE(press(FinishedReplay::enabled, Listening::atPress));
    EXPECT_EQ(viewModel.phase(), Phase::listening());
    settings.clock.set(1.3);
    EXPECT_FALSE(press(FinishedReplay::enabled, Listening::atPress));

    pipeline.finishCapture(captured(QStringLiteral("first")));
    EXPECT_EQ(viewModel.phase(), Phase::listening());
    EXPECT_TRUE(pipeline.calls.isEmpty());

    pipeline.finishCapture(captured(QStringLiteral("second")));
    EXPECT_EQ(pressesEnded, 2);
    // The second press came while the first one's listening phase showed.
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("stopSession"), QStringLiteral("startRead:second")}));
    EXPECT_EQ(viewModel.phase(), Phase::loading());
}

TEST_F(AppCoordinatorTest, TapThatSupersededAListeningPressReplacesItsSpinnerWithTheFailure) {
    settings.clock.set(1);
    press(FinishedReplay::enabled, Listening::atPress);
    settings.clock.set(1.5);
    press(FinishedReplay::suppressed, Listening::onceCaptured);
    pipeline.finishCapture(captured(QStringLiteral("late")));
    pipeline.finishCapture(captureFailure(CaptureError::nothingSelected()));

    EXPECT_EQ(viewModel.phase(),
              Phase::failed(CaptureError::nothingSelected(), Dwell::autoDismiss));
    EXPECT_TRUE(pipeline.calls.isEmpty());
}

TEST_F(AppCoordinatorTest, ShortcutShowsListeningWhileCapturingThenStartsTheSanitisedText) {
    shortcut();
    EXPECT_EQ(phases, std::vector{Phase::listening()});
    pipeline.finishCapture(captured(QStringLiteral("  Hello\u200B   world \n")));

    EXPECT_EQ(phases, (std::vector{Phase::listening(), Phase::loading()}));
    EXPECT_EQ(viewModel.text(), QStringLiteral("Hello world"));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("startRead:Hello world")});
}

TEST_F(AppCoordinatorTest, TapShowsNothingUntilItsCaptureHasFoundAText) {
    tap();
    EXPECT_TRUE(phases.empty());
    pipeline.finishCapture(captured(QStringLiteral("Hello")));
    EXPECT_EQ(phases, (std::vector{Phase::listening(), Phase::loading()}));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("startRead:Hello")});
}

// Nothing is ever dropped without a word: an empty selection, a terminal or this application in
// front each get their own card, from the tap as from the shortcut.
TEST_F(AppCoordinatorTest, EveryCaptureFailureShowsItsCardWithItsDwellFromEitherTrigger) {
    const std::vector<std::pair<CaptureError, Dwell>> cases{
        {CaptureError::nothingSelected(), Dwell::autoDismiss},
        {CaptureError::ownAppFrontmost(), Dwell::autoDismiss},
        {CaptureError::timedOut(), Dwell::autoDismiss},
        {CaptureError::permissionDenied(), Dwell::persist},
        {CaptureError::secureField(), Dwell::persist},
        {CaptureError::appDenied(QStringLiteral("org.keepassxc.keepassxc")), Dwell::persist},
        {CaptureError::appUnsupported(QStringLiteral("xterm")), Dwell::persist},
    };
    for (const auto& [error, dwell] : cases) {
        for (const bool isTap : {true, false}) {
            pipeline.nextCapture = captureFailure(error);
            isTap ? tap() : shortcut();
            EXPECT_EQ(phases, (std::vector{Phase::listening(), Phase::failed(error, dwell)}))
                << int(error.kind()) << isTap;
            viewModel.hide();
            phases.clear();
        }
    }
    const Phase nothingSelected =
        Phase::failed(CaptureError::nothingSelected(), Dwell::autoDismiss);
    tapCapturing(QStringLiteral(" \t\n\u200B "));
    EXPECT_EQ(viewModel.phase(), nothingSelected);
    viewModel.hide();
    shortcutCapturing(QStringLiteral(" \t\n "));
    EXPECT_EQ(viewModel.phase(), nothingSelected);
    viewModel.hide();
    // Direction marks and isolates, a word joiner, a soft hyphen: nothing to be read aloud.
    tapCapturing(QStringLiteral("\u202E\u2066 \u200E\u2060\n\u00AD\uFEFF"));
    EXPECT_EQ(viewModel.phase(), nothingSelected);
    viewModel.hide();
    shortcutCapturing(QStringLiteral("\u2069\u200D"));
    EXPECT_EQ(viewModel.phase(), nothingSelected);
    EXPECT_TRUE(pipeline.calls.isEmpty());
}

TEST_F(AppCoordinatorTest, TextLongerThanTheThresholdInUtf16UnitsWaitsForConfirmation) {
    setThreshold(10);
    shortcutCapturing(QString(10, u'a'));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("startRead:") + QString(10, u'a')});

    pipeline.calls.clear();
    shortcutCapturing(QString(11, u'b'));
    EXPECT_EQ(viewModel.phase(), Phase::confirmingLength(11));

    // Six emoji: six characters, but twelve UTF-16 code units.
    const QString emoji = QString(QStringLiteral("😀")).repeated(6);
    shortcutCapturing(emoji);
    EXPECT_EQ(viewModel.phase(), Phase::confirmingLength(12));
    EXPECT_FALSE(pipeline.calls.contains(QStringLiteral("startRead:") + emoji));
}

TEST_F(AppCoordinatorTest, ReadingTheFirstChunkKeepsThresholdManyCharacters) {
    setThreshold(4);
    const QString text = QStringLiteral("😀😀👍🏽e\u0301 and more");
    shortcutCapturing(text);
    coordinator.confirmLength(PlayerViewModel::LengthChoice::readFirstChunk);

    const QString firstChunk = QStringLiteral("😀😀👍🏽e\u0301");
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("startRead:") + firstChunk});
    EXPECT_EQ(viewModel.text(), firstChunk);
    EXPECT_EQ(viewModel.phase(), Phase::loading());

    // The same long selection differs from the shortened read: it stops and asks again.
    pipeline.calls.clear();
    shortcutCapturing(text);
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("stopSession")});
    EXPECT_EQ(viewModel.phase(), Phase::confirmingLength(text.size()));
}

TEST_F(AppCoordinatorTest, ConfirmationChoicesActOnlyOnAWaitingText) {
    setThreshold(3);
    coordinator.confirmLength(PlayerViewModel::LengthChoice::readAnyway);
    coordinator.confirmLength(PlayerViewModel::LengthChoice::cancel);
    EXPECT_TRUE(pipeline.calls.isEmpty());
    EXPECT_TRUE(phases.empty());

    shortcutCapturing(QStringLiteral("long text"));
    coordinator.confirmLength(PlayerViewModel::LengthChoice::readAnyway);
    coordinator.confirmLength(PlayerViewModel::LengthChoice::readAnyway);
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("startRead:long text")});

    pipeline.calls.clear();
    viewModel.hide();
    shortcutCapturing(QStringLiteral("another long text"));
    coordinator.confirmLength(PlayerViewModel::LengthChoice::cancel);
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("stopSession")});
    EXPECT_EQ(viewModel.phase(), Phase::hidden());
}

TEST_F(AppCoordinatorTest, ThresholdBelowOneCountsAsOne) {
    setThreshold(-5);
    shortcutCapturing(QStringLiteral("a"));
    EXPECT_EQ(viewModel.phase(), Phase::loading());
    shortcutCapturing(QStringLiteral("ab"));
    EXPECT_EQ(viewModel.phase(), Phase::confirmingLength(2));
    coordinator.confirmLength(PlayerViewModel::LengthChoice::readFirstChunk);
    EXPECT_EQ(pipeline.text, QStringLiteral("a"));
}

TEST_F(AppCoordinatorTest, SameTextOrNothingSelectedPausesAndResumesTheShowingRead) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::playing());
    viewModel.setPhase(Phase::playing());
    tapCapturing(QStringLiteral(" Hello "));
    shortcutCapturing(QStringLiteral("Hello"));
    pipeline.nextCapture = captureFailure(CaptureError::nothingSelected());
    tap();
    pipeline.nextCapture = captureFailure(CaptureError::secureField());
    shortcut();
    EXPECT_EQ(pipeline.calls, QStringList(4, QStringLiteral("togglePause")));
    EXPECT_EQ(viewModel.phase(), Phase::playing());
}

TEST_F(AppCoordinatorTest, FinishedReadStartsAgainForTheShortcutAndStaysForTheTap) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::finished());
    viewModel.setPhase(Phase::finished());
    phases.clear();

    tapCapturing(QStringLiteral("Hello"));
    for (const auto& nothingToRead :
         {CaptureError::nothingSelected(), CaptureError::ownAppFrontmost()}) {
        pipeline.nextCapture = captureFailure(nothingToRead);
        tap();
    }
    EXPECT_TRUE(pipeline.calls.isEmpty());
    EXPECT_EQ(logs.messages(QStringLiteral("pipeline")), QStringList(3, finishedNoOp));

    shortcutCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("startRead:Hello")});
    EXPECT_TRUE(phases.empty());

    pipeline.showRead(QStringLiteral("Hello"), SessionState::finished());
    pipeline.nextCapture = captureFailure(CaptureError::nothingSelected());
    shortcut();
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("togglePause")});
}

// A tap that could not read the selection says why, whether or not a finished read shows, as the
// first read's tap does; only finding nothing to read leaves the finished read as it is.
TEST_F(AppCoordinatorTest, ATapOnAFinishedReadShowsWhyItsCaptureFailed) {
    for (const auto& error : {CaptureError::timedOut(), CaptureError::secureField()}) {
        pipeline.showRead(QStringLiteral("Hello"), SessionState::finished());
        viewModel.setPhase(Phase::finished());
        pipeline.calls.clear();
        pipeline.nextCapture = captureFailure(error);
        tap();
        EXPECT_EQ(viewModel.phase(),
                  Phase::failed(error, error == CaptureError::timedOut() ? Dwell::autoDismiss
                                                                         : Dwell::persist));
        EXPECT_TRUE(pipeline.calls.isEmpty()) << "the finished read is not started again";
    }
    EXPECT_TRUE(logs.messages(QStringLiteral("pipeline")).isEmpty());
}

TEST_F(AppCoordinatorTest, ReadThatFinishesDuringTheCaptureIsLeftAloneByTheTap) {
    for (const bool silent : {true, false}) {
        pipeline.showRead(QStringLiteral("Hello"), SessionState::playing());
        viewModel.setPhase(Phase::playing());
        silent ? tap() : shortcut();
        pipeline.currentSession->currentState = SessionState::finished();
        pipeline.finishCapture(captured(QStringLiteral("Hello")));
        EXPECT_EQ(pipeline.calls,
                  silent ? QStringList() : QStringList{QStringLiteral("togglePause")});
    }
    EXPECT_EQ(logs.messages(QStringLiteral("pipeline")), QStringList{finishedNoOp});
}

// The commonest first run: the read stalls for want of a key, the user saves one and presses
// again on the same selection.
TEST_F(AppCoordinatorTest, SameTextOnAStalledReadRetriesItFromEitherTrigger) {
    pipeline.showRead(QStringLiteral("Hello"),
                      SessionState::stalled(Core::TTSError::unauthorized()));
    viewModel.setPhase(Phase::stalled(Core::TTSError::unauthorized()));
    tapCapturing(QStringLiteral(" Hello "));
    shortcutCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls, QStringList(2, QStringLiteral("retryStalled")));

    // Nothing selected leaves the stall alone; another text or a changed voice starts afresh.
    pipeline.calls.clear();
    pipeline.nextCapture = captureFailure(CaptureError::nothingSelected());
    tap();
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("togglePause")});
    pipeline.calls.clear();
    Defaults::set(keys.voiceID, QStringLiteral("another-voice"));
    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("stopSession"), QStringLiteral("startRead:Hello")}));
}

TEST_F(AppCoordinatorTest, ChangedVoiceRestartsTheSameTextOnlyWhenItWasNotPlayingAtThePress) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::playing());
    viewModel.setPhase(Phase::playing());
    Defaults::set(keys.voiceID, QStringLiteral("another-voice"));

    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("togglePause")});

    pipeline.calls.clear();
    pipeline.currentSession->currentState = SessionState::paused();
    viewModel.setPhase(Phase::paused());
    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("stopSession"), QStringLiteral("startRead:Hello")}));
    EXPECT_EQ(pipeline.rendition->voiceID, QStringLiteral("another-voice"));
    EXPECT_TRUE(logs.contains(freshRead));
}

TEST_F(AppCoordinatorTest, ChangedModelRestartsAFinishedReadUnlessItRecordedNoModel) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::finished());
    viewModel.setPhase(Phase::finished());
    Defaults::set(keys.synthesisModel, QStringLiteral("multilingual"));
    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("stopSession"), QStringLiteral("startRead:Hello")}));
    EXPECT_EQ(pipeline.rendition->modelID, QStringLiteral("eleven_multilingual_v2"));

    pipeline.showRead(QStringLiteral("Hello"), SessionState::paused());
    pipeline.rendition->modelID.reset();
    Defaults::set(keys.synthesisModel, QStringLiteral("flash"));
    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("togglePause")});
}

TEST_F(AppCoordinatorTest, ModelSettingThatNamesNoModelCountsAsFlash) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::paused());
    viewModel.setPhase(Phase::paused());
    Defaults::set(keys.synthesisModel, QStringLiteral("turbo"));
    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("togglePause")});
}

TEST_F(AppCoordinatorTest, SavedVoiceMissingFromTheLoadedListReadsAsTheDefaultVoice) {
    VoicesModel loaded{[] { return true; },
                       [](auto answer) {
                           answer(QList<TTS::Voice>{{QStringLiteral("listed"), {}, {}, {}, {}}});
                       }};
    loaded.refresh();
    FakeReadPipeline withList{keys, loaded};
    AppCoordinator coordinator{withList, viewModel, settings.clock, keys};
    withList.showRead(QStringLiteral("Hello"), SessionState::paused());
    EXPECT_EQ(withList.rendition->voiceID, defaultVoiceID);
    viewModel.setPhase(Phase::paused());

    Defaults::set(keys.voiceID, QStringLiteral("gone"));
    withList.nextCapture = captured(QStringLiteral("Hello"));
    coordinator.handlePress(FinishedReplay::suppressed, Listening::onceCaptured);
    EXPECT_EQ(withList.calls, QStringList{QStringLiteral("togglePause")});
}

TEST_F(AppCoordinatorTest, DifferentTextOrADeadSessionStartsAfresh) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::playing());
    viewModel.setPhase(Phase::playing());
    tapCapturing(QStringLiteral("Goodbye"));
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("stopSession"), QStringLiteral("startRead:Goodbye")}));
    EXPECT_EQ(viewModel.text(), QStringLiteral("Goodbye"));

    pipeline.showRead(QStringLiteral("Hello"), SessionState::cancelled());
    tapCapturing(QStringLiteral("Hello"));
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("stopSession"), QStringLiteral("startRead:Hello")}));
}

// The panel may be on another page while a read shows: a press that only pauses or resumes
// leaves that page open, one that starts afresh shows the new read.
TEST_F(AppCoordinatorTest, AFreshReadTurnsThePanelBackToTheReadingPage) {
    using Page = PanelContentMode;
    pipeline.showRead(QStringLiteral("Hello"), SessionState::playing());
    viewModel.setPhase(Phase::playing());
    viewModel.toggleClips();
    tapCapturing(QStringLiteral("Hello"));
    pipeline.nextCapture = captureFailure(CaptureError::nothingSelected());
    shortcut();
    EXPECT_EQ(pipeline.calls, QStringList(2, QStringLiteral("togglePause")));
    EXPECT_EQ(viewModel.contentMode(), Page::clips);

    tapCapturing(QStringLiteral("Goodbye"));
    EXPECT_EQ(viewModel.contentMode(), Page::reading);
    EXPECT_EQ(pipeline.text, QStringLiteral("Goodbye"));

    // The same text afresh: a dead session, or a paused one with another voice.
    viewModel.toggleSettings();
    pipeline.currentSession->currentState = SessionState::cancelled();
    shortcutCapturing(QStringLiteral("Goodbye"));
    EXPECT_EQ(viewModel.contentMode(), Page::reading);
    viewModel.toggleVoices();
    pipeline.currentSession->currentState = SessionState::paused();
    Defaults::set(keys.voiceID, QStringLiteral("another-voice"));
    tapCapturing(QStringLiteral("Goodbye"));
    EXPECT_EQ(viewModel.contentMode(), Page::reading);
    EXPECT_EQ(pipeline.rendition->voiceID, QStringLiteral("another-voice"));
}

TEST_F(AppCoordinatorTest, FailureWithoutALiveSessionReplacesTheShowingCard) {
    viewModel.setPhase(Phase::failed(CaptureError::timedOut(), Dwell::autoDismiss));
    pipeline.nextCapture = captureFailure(CaptureError::nothingSelected());
    tap();
    EXPECT_EQ(viewModel.phase(),
              Phase::failed(CaptureError::nothingSelected(), Dwell::autoDismiss));

    pipeline.nextCapture = captureFailure(CaptureError::secureField());
    tap();
    EXPECT_EQ(phases.back(), Phase::failed(CaptureError::secureField(), Dwell::persist));
    EXPECT_NE(phases.at(phases.size() - 2), Phase::listening());
}

TEST_F(AppCoordinatorTest, ClosingKeepsAPausedReadAndEndsAnyOther) {
    int closedKeepingSession = 0;
    coordinator.onCloseKeepingSession = [&] { ++closedKeepingSession; };
    pipeline.showRead(QStringLiteral("Hello"), SessionState::paused());
    viewModel.setPhase(Phase::paused());
    coordinator.dismiss();
    EXPECT_EQ(closedKeepingSession, 1);
    EXPECT_TRUE(pipeline.calls.isEmpty());
    EXPECT_EQ(viewModel.phase(), Phase::paused());

    viewModel.setPhase(Phase::playing());
    coordinator.dismiss();
    EXPECT_EQ(closedKeepingSession, 1);
    EXPECT_EQ(pipeline.calls, QStringList{QStringLiteral("stopSession")});
    EXPECT_EQ(viewModel.phase(), Phase::hidden());
}

TEST_F(AppCoordinatorTest, ServicesTextReplacesTheShowingReadWithoutCapturing) {
    pipeline.showRead(QStringLiteral("Hello"), SessionState::playing());
    const auto session = pipeline.currentSession;
    viewModel.setPhase(Phase::playing());
    phases.clear();

    coordinator.read(QStringLiteral(" From  Services "));
    EXPECT_EQ(
        pipeline.calls,
        QStringList({QStringLiteral("detach"), QStringLiteral("syncNowPlaying"),
                     QStringLiteral("stopSession"), QStringLiteral("startRead:From Services")}));
    EXPECT_EQ(session->cancels, 1);
    EXPECT_EQ(phases, (std::vector{Phase::listening(), Phase::loading()}));
    EXPECT_TRUE(pipeline.captureModes.empty());
}

TEST_F(AppCoordinatorTest, ServicesTextOfWhiteSpaceOrInvisibleCharactersShowsNothingSelected) {
    const Phase nothingSelected =
        Phase::failed(CaptureError::nothingSelected(), Dwell::autoDismiss);
    coordinator.read(QStringLiteral("  \n "));
    EXPECT_TRUE(pipeline.calls.isEmpty());
    EXPECT_EQ(phases, (std::vector{Phase::listening(), nothingSelected}));
    viewModel.hide();
    phases.clear();
    coordinator.read(QStringLiteral("\u202E\u2066\u200E\u2060\u00AD\uFEFF"));
    EXPECT_TRUE(pipeline.calls.isEmpty());
    EXPECT_EQ(phases, (std::vector{Phase::listening(), nothingSelected}));

    coordinator.read(QStringLiteral("\t"));
    EXPECT_EQ(pipeline.calls,
              QStringList({QStringLiteral("detach:none"), QStringLiteral("syncNowPlaying"),
                           QStringLiteral("stopSession")}));
}

TEST_F(AppCoordinatorTest, ServicesTextSupersedesAPressAndIsNeverCoalesced) {
    settings.clock.set(1);
    press(FinishedReplay::enabled, Listening::atPress);
    coordinator.read(QStringLiteral("Handed over"));
    coordinator.read(QStringLiteral("Handed over again"));
    pipeline.finishCapture(captured(QStringLiteral("Selected")));
    EXPECT_EQ(pipeline.text, QStringLiteral("Handed over again"));

    // The Services text did not count as a press.
    pipeline.nextCapture = captured(QStringLiteral("Selected"));
    settings.clock.set(1.3);
    press(FinishedReplay::enabled, Listening::atPress);
    EXPECT_EQ(pipeline.text, QStringLiteral("Selected"));
}

TEST_F(AppCoordinatorTest, PressTaskEndsQuietlyWhenTheCoordinatorIsGone) {
    auto owned = std::make_unique<AppCoordinator>(pipeline, viewModel, settings.clock, keys);
    bool done = false;
    owned->handlePress(FinishedReplay::enabled, Listening::atPress, [&] { done = true; });
    owned.reset();
    pipeline.finishCapture(captured(QStringLiteral("Hello")));
    EXPECT_TRUE(done);
    EXPECT_TRUE(pipeline.calls.isEmpty());
}

} // namespace

namespace {

TEST(SpeechReadSession, ShowsTheSpeechSessionsStateAndCancelsIt) {
    ManualClock clock;
    ManualScheduler scheduler{clock};
    const auto speech = Playback::SpeechSession::create(
        QStringLiteral("Hi."), {{QStringLiteral("Hi."), 0}}, std::make_shared<FakeTTSProvider>(),
        std::make_shared<FakeChunkPlayerFactory>(), Core::VoiceID{defaultVoiceID},
        {QStringLiteral("eleven_flash_v2_5"), QStringLiteral("mp3_44100_128")}, {}, scheduler);
    SpeechReadSession session(speech);
    EXPECT_EQ(session.state(), SessionState::loading());
    session.cancel();
    EXPECT_EQ(speech->state(), SessionState::cancelled());
    EXPECT_EQ(session.state(), SessionState::cancelled());
}

} // namespace
