#include "Parlino/Panel/PanelController.h"

#include "Parlino/Panel/NotchPlacement.h"
#include "Parlino/Services/ServicesTesting.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Style/MotionPreferences.h"
#include "Parlino/Style/PointerMotion.h"
#include "support/FakeChunkPlayer.h"
#include "support/FakePointerMotionSource.h"
#include "support/FakeScreenProvider.h"
#include "support/FakeSurfaceWindow.h"
#include "support/FakeTextMeasurer.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

using namespace Parlino;
using TestSupport::FakeSurfaceWindow;
using Phase = PlayerViewModel::Phase;
using State = SurfaceState::Kind;

namespace {

void expectRect(const QRectF& actual, const QRectF& expected) {
    EXPECT_EQ(actual.x(), expected.x());
    EXPECT_EQ(actual.y(), expected.y());
    EXPECT_EQ(actual.width(), expected.width());
    EXPECT_EQ(actual.height(), expected.height());
}

// A 1440 × 900 screen under a 25 pt top panel, thinner than the 31 pt header row. With an empty
// transcript the reading sheet is 72 pt tall under the header row, so the visible panel spans
// y 797 to 900 and x 472 to 968.
const ScreenScalars screen = TestSupport::plainScreen(1440, 900, 25);
constexpr qreal sheetBottom = 797;

struct PanelControllerTest : ::testing::Test {
    PanelControllerTest() {
        screens.addScreen(1, screen);
        screens.setMainScreen(1);
        screens.setPointer({720, 450});
        viewModel.onPhaseChange = [this](const Phase& phase) { controller.phaseDidChange(phase); };
        viewModel.onContentModeChange = [this](PanelContentMode mode) {
            controller.contentModeDidChange(mode);
        };
        controller.onOpenLanding = [] { return OpenLanding::reading; };
    }

    FakeSurfaceWindow& window(SurfaceKind kind) { return *windows.at(kind); }
    State state() const { return controller.machine().state.kind(); }
    // The next turn of the event loop: everything due now runs.
    void turn() { scheduler.advance(0); }
    void advance(double seconds) { scheduler.advance(seconds); }
    void movePointer(QPointF to) {
        screens.setPointer(to);
        motionSource.moved();
    }

    void startOnIdleBar() {
        controller.start();
        ASSERT_EQ(state(), State::idleBar);
    }
    void showBubble(const Phase& phase = Phase::playing()) {
        startOnIdleBar();
        viewModel.setPhase(phase);
        turn();
        ASSERT_EQ(state(), State::bubble);
        advance(1); // the idle bar's fade is over
    }
    void dropPanel() {
        showBubble();
        controller.handleBubbleHover();
        turn();
        ASSERT_EQ(state(), State::panelDropping);
        advance(0.35);
        ASSERT_EQ(state(), State::panel);
    }
    // The pointer leaves the panel for good: it goes up after the grace.
    void leavePanel() {
        movePointer({720, sheetBottom - 200});
        advance(0.2);
        ASSERT_EQ(state(), State::panelRetracting);
    }
    // Asks for the panel while the surfaces are `during`: it comes down, stays while the pointer
    // is away until it has come near, and takes the keyboard.
    void expectOpenedDuring(State during) {
        ASSERT_EQ(state(), during);
        FakeSurfaceWindow& panel = window(SurfaceKind::panel);
        const qsizetype keyed = panel.calls.count(QStringLiteral("makeKey"));
        const QString asked = controller.machine().state.description();
        controller.openPanel();
        EXPECT_TRUE(logs.contains(QStringLiteral("open asked for in ") + asked));
        advance(1);
        EXPECT_EQ(controller.machine().state, SurfaceState::panel(false));
        EXPECT_TRUE(panel.shown);
        EXPECT_TRUE(controller.geometryBox().revealed());
        EXPECT_EQ(panel.calls.count(QStringLiteral("makeKey")), keyed + 1);
        movePointer({720, sheetBottom - 200});
        advance(1);
        EXPECT_EQ(state(), State::panel);
    }

    ServicesTesting::TestSettings settings;
    TestSupport::ManualClock& clock = settings.clock;
    TestSupport::ManualScheduler& scheduler = settings.scheduler;
    TestSupport::FakeScreenProvider screens;
    TestSupport::FakePointerMotionSource motionSource;
    TestSupport::FakeTextMeasurer measurer{7, 18};
    PointerMotion pointerMotion{clock, scheduler};
    MotionPreferences motion;
    QTemporaryDir clipsFolder;
    ClipLibrary clipLibrary{clipsFolder.path().toStdString()};
    PlayerViewModel viewModel;
    WarningModel warningModel;
    std::map<SurfaceKind, FakeSurfaceWindow*> windows;
    PanelController controller{viewModel,
                               clipLibrary,
                               warningModel,
                               nullptr,
                               std::make_unique<TestSupport::FakeChunkPlayerFactory>(),
                               PanelEnvironment{screens,
                                                [this](SurfaceKind kind) {
                                                    auto window =
                                                        std::make_unique<FakeSurfaceWindow>();
                                                    windows[kind] = window.get();
                                                    return window;
                                                },
                                                motionSource, pointerMotion, measurer, motion,
                                                settings.keys, clock, scheduler}};
    TestSupport::LogCapture logs;
};

TEST_F(PanelControllerTest, startPlacesTheIdleBarSeedsThePanelAndRunsNoTimer) {
    controller.start();

    EXPECT_EQ(state(), State::idleBar);
    FakeSurfaceWindow& idleBar = window(SurfaceKind::idleBar);
    EXPECT_TRUE(idleBar.shown);
    expectRect(idleBar.frame(), NotchPlacement::idleBarPlacement(screen).windowFrame);
    EXPECT_TRUE(controller.idleBarGeometry().revealed());
    EXPECT_EQ(controller.idleBarGeometry().presentationID(), 1);
    EXPECT_EQ(controller.idleBarGeometry().pillHeight(), 17);
    EXPECT_EQ(controller.idleBarGeometry().slideDistance(), 17);

    FakeSurfaceWindow& panel = window(SurfaceKind::panel);
    EXPECT_FALSE(panel.shown);
    EXPECT_EQ(panel.calls.first(), QStringLiteral("setFrame")); // before it shows: no redisplay
    expectRect(panel.frame(), NotchPlacement::panelWindowFrame(screen));

    EXPECT_FALSE(controller.isTickRunning());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_TRUE(logs.contains(QStringLiteral("showIdleBar → idleBar")));
}

TEST_F(PanelControllerTest, theIdleBarSettingHidesAndShowsTheBarWithoutAnEvent) {
    Defaults::set(settings.keys.idleBarHidden, true);
    controller.start();
    EXPECT_EQ(state(), State::idleBar);
    EXPECT_FALSE(window(SurfaceKind::idleBar).shown);

    Defaults::set(settings.keys.idleBarHidden, false);
    controller.idleBarHiddenChanged();
    EXPECT_TRUE(window(SurfaceKind::idleBar).shown);
    EXPECT_TRUE(controller.idleBarGeometry().revealed());

    Defaults::set(settings.keys.idleBarHidden, true);
    const qint64 before = controller.idleBarGeometry().presentationID();
    controller.idleBarHiddenChanged();
    EXPECT_FALSE(window(SurfaceKind::idleBar).shown); // at once, no fade
    EXPECT_FALSE(controller.idleBarGeometry().revealed());
    EXPECT_EQ(controller.idleBarGeometry().presentationID(), before + 1);
    EXPECT_EQ(state(), State::idleBar);
}

TEST_F(PanelControllerTest, aReadFromTheIdleBarShowsTheBubbleOnTheNextTurn) {
    startOnIdleBar();
    viewModel.setPhase(Phase::loading());

    EXPECT_EQ(state(), State::idleBarRetracting);
    EXPECT_FALSE(controller.idleBarGeometry().revealed());
    EXPECT_TRUE(window(SurfaceKind::idleBar).shown); // still fading
    EXPECT_FALSE(window(SurfaceKind::bubble).shown);

    turn();
    EXPECT_EQ(state(), State::bubble);
    FakeSurfaceWindow& bubble = window(SurfaceKind::bubble);
    EXPECT_TRUE(bubble.shown);
    expectRect(bubble.frame(), NotchPlacement::bubblePlacement(screen).windowFrame);
    EXPECT_TRUE(controller.bubbleGeometry().revealed());
    EXPECT_EQ(controller.bubbleGeometry().pillHeight(), 34);
    EXPECT_TRUE(controller.isTickRunning());
    EXPECT_TRUE(logs.contains(QStringLiteral("showBubble → bubble")));

    advance(0.175);
    EXPECT_TRUE(window(SurfaceKind::idleBar).shown);
    advance(0.01);
    EXPECT_FALSE(window(SurfaceKind::idleBar).shown);

    // Pausing in the bubble keeps it.
    viewModel.setPhase(Phase::paused());
    EXPECT_EQ(state(), State::bubble);
}

TEST_F(PanelControllerTest, hoverDropsThePanelAndLeavingPastTheMarginClosesItAfterTheGrace) {
    showBubble();
    controller.handleBubbleHover();
    EXPECT_EQ(state(), State::bubbleRetracting);
    turn();
    EXPECT_EQ(state(), State::panelDropping);
    FakeSurfaceWindow& panel = window(SurfaceKind::panel);
    EXPECT_TRUE(panel.shown);
    EXPECT_TRUE(controller.geometryBox().revealed());
    EXPECT_EQ(controller.geometryBox().topContentInset(), 25);
    EXPECT_TRUE(motionSource.isRunning());
    advance(0.345);
    EXPECT_EQ(state(), State::panelDropping);
    advance(0.01);
    EXPECT_EQ(state(), State::panel);

    // 30 pt below the sheet is still near.
    movePointer({720, sheetBottom - 30});
    advance(1);
    EXPECT_EQ(state(), State::panel);

    // 40 pt away arms the grace; coming back within it cancels it.
    movePointer({720, sheetBottom - 40});
    advance(0.1);
    movePointer({720, sheetBottom - 30});
    advance(0.5);
    EXPECT_EQ(state(), State::panel);

    // Leaving for good: the count runs from the first exit, however often the pointer moves.
    movePointer({720, sheetBottom - 40});
    advance(0.1);
    movePointer({720, sheetBottom - 200});
    advance(0.085);
    EXPECT_EQ(state(), State::panel);
    advance(0.02);
    EXPECT_EQ(state(), State::panelRetracting);
    EXPECT_FALSE(controller.geometryBox().revealed());
    EXPECT_TRUE(panel.ignoresMouse());
    EXPECT_FALSE(motionSource.isRunning());

    advance(0.144);
    EXPECT_EQ(state(), State::bubbleReturning);
    EXPECT_TRUE(window(SurfaceKind::bubble).shown);
    EXPECT_TRUE(panel.shown); // still fading
    advance(0.18);
    EXPECT_EQ(state(), State::bubble);
    EXPECT_FALSE(panel.shown);
}

TEST_F(PanelControllerTest, aGraceArmedForAnEarlierAppearanceOfThePanelNeverFires) {
    dropPanel();
    movePointer({720, sheetBottom - 100});
    // The read ends and a card drops before the grace runs out: a new appearance.
    viewModel.setPhase(
        Phase::failed(Core::CaptureError::nothingSelected(), PlayerViewModel::Dwell::persist));
    EXPECT_EQ(controller.machine().state, SurfaceState::panel(true));
    advance(0.3);
    EXPECT_FALSE(controller.machine().mouseOutsidePanel);
}

TEST_F(PanelControllerTest, clicksAwayFromTheVisibleSheetGoThroughThePanelWindow) {
    dropPanel();
    FakeSurfaceWindow& panel = window(SurfaceKind::panel);

    movePointer({466, 850}); // in the window, 6 pt left of the sheet
    EXPECT_TRUE(panel.ignoresMouse());
    movePointer({470, 850}); // within 2 pt of the sheet
    EXPECT_FALSE(panel.ignoresMouse());
    movePointer({720, 700}); // in the window, far below the sheet
    EXPECT_TRUE(panel.ignoresMouse());
    movePointer({100, 100}); // outside the window
    EXPECT_FALSE(panel.ignoresMouse());
    EXPECT_TRUE(
        logs.contains(QStringLiteral("panel.ignoresMouseEvents=true in panel(isCard: false)")));
}

TEST_F(PanelControllerTest, aFinishedReadLingersOneSecondInTheBubble) {
    showBubble();
    viewModel.setPhase(Phase::finished());
    EXPECT_EQ(state(), State::bubble);
    advance(0.995);
    EXPECT_EQ(state(), State::bubble);
    advance(0.01); // the linger, then on the next turn the end of the bubble's retraction
    EXPECT_EQ(state(), State::idleBarReturning);
    EXPECT_EQ(logs.messages(QStringLiteral("surface"))
                  .mid(logs.messages(QStringLiteral("surface"))
                           .indexOf(QStringLiteral("bubbleFinishLinger fired"))),
              (QStringList{QStringLiteral("bubbleFinishLinger fired"),
                           QStringLiteral("retractBubble → bubbleRetracting"),
                           QStringLiteral("returnIdleBar → idleBarReturning")}));
    EXPECT_FALSE(controller.isTickRunning());
    advance(0.18);
    EXPECT_EQ(state(), State::idleBar);
    EXPECT_TRUE(window(SurfaceKind::idleBar).shown);
    EXPECT_FALSE(window(SurfaceKind::bubble).shown);
    EXPECT_EQ(scheduler.pendingCount(), 0u); // nothing runs on the idle bar
}

TEST_F(PanelControllerTest, aReplayWithinTheLingerKeepsTheBubble) {
    showBubble();
    viewModel.setPhase(Phase::finished());
    advance(0.5);
    viewModel.setPhase(Phase::playing());
    advance(2);
    EXPECT_EQ(state(), State::bubble);
    EXPECT_TRUE(window(SurfaceKind::bubble).shown);
}

TEST_F(PanelControllerTest, aPausedReadParksOnTheIdleBarAfterFiveQuietSeconds) {
    int parked = 0;
    controller.onSessionParkedOnIdleBar = [&] { ++parked; };
    showBubble();
    viewModel.setPhase(Phase::paused());
    advance(3);
    viewModel.setPhase(Phase::stalled(Core::TTSError::network(QStringLiteral("offline"))));
    advance(4.995); // the count started again with the stall
    EXPECT_EQ(state(), State::bubble);
    EXPECT_EQ(parked, 0);
    advance(0.01);
    EXPECT_EQ(parked, 1);
    EXPECT_EQ(state(), State::idleBarReturning);
    EXPECT_TRUE(logs.contains(QStringLiteral("retractBubble → bubbleRetracting")));
    advance(10);
    EXPECT_EQ(parked, 1);
    EXPECT_EQ(state(), State::idleBar);
}

TEST_F(PanelControllerTest, aPausedReadInThePanelDoesNotPark) {
    int parked = 0;
    controller.onSessionParkedOnIdleBar = [&] { ++parked; };
    dropPanel();
    movePointer({720, 850});
    viewModel.setPhase(Phase::paused());
    advance(10);
    EXPECT_EQ(parked, 0);
    EXPECT_EQ(state(), State::panel);
}

TEST_F(PanelControllerTest, aFailureCardDismissesItselfAfterFourSecondsUnlessItPersists) {
    startOnIdleBar();
    const Phase first =
        Phase::failed(Core::CaptureError::nothingSelected(), PlayerViewModel::Dwell::autoDismiss);
    viewModel.setPhase(first);
    turn();
    EXPECT_EQ(controller.machine().state, SurfaceState::panel(true));
    EXPECT_TRUE(window(SurfaceKind::panel).shown);

    advance(3);
    const Phase second =
        Phase::failed(Core::CaptureError::timedOut(), PlayerViewModel::Dwell::autoDismiss);
    viewModel.setPhase(second);
    advance(3.995); // the second failure counts afresh
    EXPECT_EQ(viewModel.phase(), second);
    advance(0.01);
    EXPECT_EQ(viewModel.phase().kind(), Phase::Kind::hidden);
    EXPECT_EQ(state(), State::idleBarReturning);

    viewModel.setPhase(
        Phase::failed(Core::CaptureError::secureField(), PlayerViewModel::Dwell::persist));
    advance(20);
    EXPECT_EQ(viewModel.phase().kind(), Phase::Kind::failed);
}

TEST_F(PanelControllerTest, openingFromTheBubbleDuringTheLingerHoversThenFinishesThenPins) {
    showBubble();
    viewModel.setPhase(Phase::finished());
    screens.setPointer({100, 100}); // far from the panel

    controller.openPanel();
    // Hovered first: the bubble retracts into the panel, not to the idle bar, and the read
    // then counts as finished while the panel is open.
    EXPECT_EQ(state(), State::bubbleRetracting);
    EXPECT_FALSE(controller.machine().bubbleRetractingBecauseFinished);
    EXPECT_TRUE(controller.machine().finishedWhilePanelOpen);
    EXPECT_TRUE(controller.machine().pinSources.contains(PinSource::menuOpen));
    EXPECT_EQ(logs.messages(QStringLiteral("surface"))
                  .filter(QStringLiteral("retractBubble → bubbleRetracting"))
                  .size(),
              1);

    turn();
    advance(0.35);
    EXPECT_EQ(state(), State::panel);
    EXPECT_EQ(viewModel.contentMode(), PanelContentMode::reading);

    // Pinned: far away it stays.
    movePointer({100, 100});
    advance(1);
    EXPECT_EQ(state(), State::panel);

    // The first motion near it releases the pin; leaving then closes it, to the idle bar.
    movePointer({720, 850});
    EXPECT_FALSE(controller.machine().pinSources.contains(PinSource::menuOpen));
    movePointer({100, 100});
    advance(0.2);
    EXPECT_EQ(state(), State::panelRetracting);
    advance(0.144);
    EXPECT_EQ(state(), State::idleBarReturning);
}

// However the surfaces move when the user asks for the panel, it comes down.
TEST_F(PanelControllerTest, anOpenDuringAFinishedReadsLingerDropsThePanel) {
    showBubble();
    viewModel.setPhase(Phase::finished());
    advance(0.5);
    expectOpenedDuring(State::bubble);
}

TEST_F(PanelControllerTest, anOpenAsTheLingerSendsTheBubbleAwayDropsThePanel) {
    showBubble();
    viewModel.setPhase(Phase::finished());
    controller.send(SurfaceEvent::Kind::readFinished); // as the linger does when it ends
    expectOpenedDuring(State::bubbleRetracting);
    EXPECT_TRUE(controller.machine().finishedWhilePanelOpen); // closed, to the idle bar
}

TEST_F(PanelControllerTest, anOpenWhileTheIdleBarComesBackAfterALingerDropsThePanel) {
    showBubble();
    viewModel.setPhase(Phase::finished());
    advance(1.01);
    expectOpenedDuring(State::idleBarReturning);
}

TEST_F(PanelControllerTest, anOpenDuringTheFadeOfAnEndedReadDropsThePanel) {
    showBubble();
    viewModel.setPhase(Phase::hidden());
    expectOpenedDuring(State::idleBarReturning);
}

TEST_F(PanelControllerTest, anOpenWhileThePanelGoesUpBringsItBackDown) {
    dropPanel();
    leavePanel();
    expectOpenedDuring(State::panelRetracting);
}

TEST_F(PanelControllerTest, anOpenWhileTheBubbleComesBackDropsThePanel) {
    dropPanel();
    leavePanel();
    advance(0.144);
    expectOpenedDuring(State::bubbleReturning);
}

TEST_F(PanelControllerTest, anOpenAsAReadBeginsDropsThePanelInsteadOfTheBubble) {
    startOnIdleBar();
    viewModel.setPhase(Phase::playing());
    expectOpenedDuring(State::idleBarRetracting);
    EXPECT_FALSE(window(SurfaceKind::bubble).shown);
}

TEST_F(PanelControllerTest, openPanelDoesNothingWhileHiddenOrWhenThePanelIsDown) {
    controller.openPanel();
    EXPECT_EQ(state(), State::hidden);
    dropPanel();
    controller.openPanel();
    EXPECT_EQ(state(), State::panel);
    EXPECT_TRUE(controller.machine().pinSources.empty());
}

TEST_F(PanelControllerTest, onlyAnOpenAskedForGivesThePanelTheKeyboardOnceItIsDown) {
    const auto keyedWindows = [this] {
        qsizetype keyed = 0;
        for (const auto& [kind, window] : windows)
            keyed += window->calls.count(QStringLiteral("makeKey"));
        return keyed;
    };
    const auto keyedSinceShown = [](const FakeSurfaceWindow& window) {
        return window.calls.mid(window.calls.lastIndexOf(QStringLiteral("orderFront")))
            .count(QStringLiteral("makeKey"));
    };
    FakeSurfaceWindow& panel = window(SurfaceKind::panel);

    // A read's bubble and the panel a hover brings down leave the keyboard where it is.
    dropPanel();
    EXPECT_EQ(keyedWindows(), 0);
    // Asked for while it is down, the panel takes it at once.
    controller.openPanel();
    EXPECT_EQ(keyedSinceShown(panel), 1);
    EXPECT_EQ(keyedWindows(), 1);

    // Closed, the playing read goes back to the bubble; opened from there, the panel takes the
    // keyboard once it has come down, not before.
    controller.closePanelNow();
    advance(1);
    ASSERT_EQ(state(), State::bubble);
    controller.openPanel();
    ASSERT_EQ(state(), State::bubbleRetracting);
    EXPECT_EQ(keyedWindows(), 1);
    turn();
    ASSERT_EQ(state(), State::panelDropping);
    EXPECT_EQ(keyedSinceShown(panel), 1);
    EXPECT_EQ(keyedWindows(), 2);
}

TEST_F(PanelControllerTest, openPanelKeysThePanelFromTheIdleBarButAnOpenOvertakenKeysNoLaterOne) {
    FakeSurfaceWindow& panel = window(SurfaceKind::panel);
    startOnIdleBar();
    controller.openPanel();
    EXPECT_FALSE(panel.calls.contains(QStringLiteral("makeKey")));
    turn();
    ASSERT_EQ(state(), State::panelDropping);
    EXPECT_EQ(panel.calls.mid(panel.calls.indexOf(QStringLiteral("orderFront")))
                  .count(QStringLiteral("makeKey")),
              1);

    // Closed before the panel came down, that open keys nothing, nor the panel of the next click.
    controller.closePanelNow();
    advance(2);
    ASSERT_EQ(state(), State::idleBar);
    controller.openPanel();
    ASSERT_EQ(state(), State::idleBarRetracting);
    controller.closePanelNow();
    advance(2);
    ASSERT_EQ(state(), State::idleBar);
    panel.calls.clear();
    controller.handleIdleBarClick();
    turn();
    ASSERT_EQ(state(), State::panelDropping);
    EXPECT_TRUE(panel.shown);
    EXPECT_FALSE(panel.calls.contains(QStringLiteral("makeKey")));
}

TEST_F(PanelControllerTest, anOpenNamesTheControlForWhatThePanelShowsBeforeTheWindowTakesTheKeys) {
    FakeSurfaceWindow& panel = window(SurfaceKind::panel);
    controller.onPanelFocus = [&panel](PanelFocusTarget target) {
        panel.calls << (target == PanelFocusTarget::playPause ? u"focus playPause"_qs
                                                              : u"focus firstHeaderButton"_qs);
    };
    // What the latest keying asked for, just before it.
    const auto named = [&panel] {
        const qsizetype key = panel.calls.lastIndexOf(QStringLiteral("makeKey"));
        return key > 0 ? panel.calls[key - 1] : QString();
    };

    // From the idle bar without a read, once the panel drops: the header.
    startOnIdleBar();
    controller.openPanel();
    turn();
    ASSERT_EQ(state(), State::panelDropping);
    EXPECT_EQ(named(), u"focus firstHeaderButton"_qs);

    // A read on the panel: its play/pause; a page over it: the header again.
    viewModel.setPhase(Phase::playing());
    controller.openPanel();
    EXPECT_EQ(named(), u"focus playPause"_qs);
    viewModel.setContentMode(PanelContentMode::clips);
    controller.openPanel();
    EXPECT_EQ(named(), u"focus firstHeaderButton"_qs);
}

TEST_F(PanelControllerTest, anIdleBarClickOpensTheClipsWhenTheShellSaysSo) {
    controller.onOpenLanding = [] { return OpenLanding::clips; };
    startOnIdleBar();
    controller.handleIdleBarClick();
    EXPECT_EQ(viewModel.contentMode(), PanelContentMode::clips);
    turn();
    EXPECT_EQ(state(), State::panelDropping);
    EXPECT_TRUE(controller.machine().panelHasNoActiveRead);

    controller.handleIdleBarClick();
    EXPECT_TRUE(logs.contains(QStringLiteral("idleBarClicked DROPPED in panelDropping")));

    controller.readAttached(); // a read started in the open panel
    EXPECT_FALSE(controller.machine().panelHasNoActiveRead);
}

TEST_F(PanelControllerTest, aBubbleShownAgainDuringItsFadeStaysUp) {
    showBubble();
    controller.handleBubbleHover(); // the bubble starts fading out
    viewModel.setPhase(
        Phase::failed(Core::CaptureError::nothingSelected(), PlayerViewModel::Dwell::persist));
    EXPECT_EQ(controller.machine().state, SurfaceState::panel(true));
    EXPECT_TRUE(window(SurfaceKind::bubble).shown); // its fade goes on under the card
    viewModel.setPhase(Phase::loading());           // a read after the card brings it straight back
    EXPECT_EQ(state(), State::bubble);
    advance(1);
    EXPECT_TRUE(window(SurfaceKind::bubble).shown);
    EXPECT_FALSE(window(SurfaceKind::panel).shown);
}

TEST_F(PanelControllerTest, theWarningPopupShowsAtOnceOnTheIdleBar) {
    startOnIdleBar();
    controller.scheduleWarningPopup();

    EXPECT_EQ(state(), State::idleBar);
    FakeSurfaceWindow& warning = window(SurfaceKind::warning);
    EXPECT_TRUE(warning.shown);
    expectRect(warning.frame(), QRectF(560, 841, 320, 68));
    EXPECT_TRUE(controller.warningPopupPresented());
    EXPECT_TRUE(controller.warningGeometry().revealed());
    EXPECT_EQ(controller.warningGeometry().presentationID(), 1);
    EXPECT_EQ(controller.warningGeometry().pillHeight(), 34);

    // Any surface command takes it away at once.
    viewModel.setPhase(Phase::loading());
    EXPECT_FALSE(warning.shown);
    EXPECT_FALSE(controller.warningPopupPresented());
    EXPECT_TRUE(logs.contains(QStringLiteral(
        "warning popup force-hidden (surface transition; orderOut, focus-neutral)")));
}

TEST_F(PanelControllerTest, theWarningsPrimaryButtonHidesItForNowAndDismissSilencesTheRun) {
    warningModel.setKeyPresence(KeyPresence::absent);
    startOnIdleBar();
    FakeSurfaceWindow& warning = window(SurfaceKind::warning);
    controller.scheduleWarningPopup();
    controller.retractWarningPopup(false);
    advance(0.17);
    EXPECT_TRUE(warning.shown); // still sliding up
    advance(0.02);
    EXPECT_FALSE(warning.shown);
    EXPECT_EQ(warningModel.current(), ActiveWarning::noKey());

    controller.scheduleWarningPopup();
    ASSERT_TRUE(warning.shown);
    controller.retractWarningPopup(false);
    advance(0.1);
    controller.retractWarningPopup(true); // the second press starts over and decides
    advance(0.1);
    EXPECT_TRUE(warning.shown);
    EXPECT_FALSE(warningModel.dismissedThisSession());
    advance(0.1);
    EXPECT_FALSE(warning.shown);
    EXPECT_EQ(warningModel.current(), ActiveWarning::none());
    warningModel.setKeyPresence(KeyPresence::unknown);
    warningModel.setKeyPresence(KeyPresence::absent);
    EXPECT_EQ(warningModel.current(), ActiveWarning::none());
}

TEST_F(PanelControllerTest, theWarningPopupFollowsTheSurfacesHome) {
    dropPanel();
    controller.scheduleWarningPopup();
    EXPECT_EQ(state(), State::idleBarReturning);
    advance(0.435);
    EXPECT_EQ(state(), State::idleBar);
    EXPECT_FALSE(controller.warningPopupPresented());
    advance(0.01);
    EXPECT_TRUE(controller.warningPopupPresented());
    EXPECT_TRUE(window(SurfaceKind::warning).shown);
    EXPECT_FALSE(window(SurfaceKind::panel).shown);
    EXPECT_FALSE(window(SurfaceKind::bubble).shown);
}

TEST_F(PanelControllerTest, theWarningPopupWaitsLessWithReducedMotionAndNotForANewRead) {
    motion.setReduceMotion(true);
    if (!motion.reduceMotion())
        GTEST_SKIP() << "Reduce Motion is pinned off by the environment";
    dropPanel();
    controller.scheduleWarningPopup();
    advance(0.335);
    EXPECT_FALSE(controller.warningPopupPresented());
    advance(0.01);
    EXPECT_TRUE(controller.warningPopupPresented());

    // Its dismiss button silences the warning for the run.
    controller.retractWarningPopup(true);
    EXPECT_FALSE(controller.warningGeometry().revealed());
    advance(0.15);
    EXPECT_FALSE(window(SurfaceKind::warning).shown);
    EXPECT_TRUE(warningModel.dismissedThisSession());

    // A read that starts while the popup waits keeps it away.
    viewModel.setPhase(Phase::loading());
    turn();
    controller.handleBubbleHover();
    turn();
    ASSERT_EQ(state(), State::panelDropping);
    controller.scheduleWarningPopup();
    advance(0.3); // the idle bar is back
    ASSERT_EQ(state(), State::idleBar);
    viewModel.setPhase(Phase::playing());
    advance(1);
    EXPECT_FALSE(controller.warningPopupPresented());
    EXPECT_FALSE(window(SurfaceKind::warning).shown);
}

TEST_F(PanelControllerTest, theWarningPopupWaitsForAnIdleBarHeldUpByABusyMainThread) {
    dropPanel();
    controller.scheduleWarningPopup();
    // The main thread is busy for 0.3 s: the fade's end runs late, and so does the return.
    clock.set(clock.now() + 0.3);
    advance(0.15);
    ASSERT_EQ(state(), State::idleBarReturning);
    EXPECT_FALSE(controller.warningPopupPresented());
    advance(0.1);
    ASSERT_EQ(state(), State::idleBar);
    EXPECT_TRUE(controller.warningPopupPresented());
    EXPECT_TRUE(window(SurfaceKind::warning).shown);
}

TEST_F(PanelControllerTest, aReadStartedWhileABusyMainThreadHoldsTheIdleBarKeepsThePillAway) {
    dropPanel();
    controller.scheduleWarningPopup();
    clock.set(clock.now() + 0.3);
    advance(0.15); // the pill now waits for the idle bar
    ASSERT_EQ(state(), State::idleBarReturning);
    viewModel.setPhase(Phase::loading());
    advance(1);
    EXPECT_FALSE(controller.warningPopupPresented());
    EXPECT_FALSE(window(SurfaceKind::warning).shown);
}

TEST_F(PanelControllerTest, aReadStartedWhileTheSurfacesGoHomeKeepsTheWarningPillAway) {
    dropPanel();
    controller.scheduleWarningPopup();
    advance(0.2); // the surfaces are still on their way to the idle bar
    ASSERT_EQ(state(), State::idleBarReturning);
    const double tapped = clock.now();
    viewModel.setPhase(Phase::loading()); // a tap reads a new selection

    // The idle bar is back long before the read's audio; the pill stays away all along.
    while (clock.now() < tapped + 0.6) {
        advance(0.01);
        ASSERT_FALSE(window(SurfaceKind::warning).shown) << clock.now() - tapped << " s after";
    }
    ASSERT_EQ(state(), State::idleBar);
    viewModel.setPhase(Phase::playing());
    turn();
    EXPECT_EQ(state(), State::bubble);
    EXPECT_FALSE(controller.warningPopupPresented());
}

TEST_F(PanelControllerTest, theTickRunsOnlyWhileTheBubbleOrPanelIsUpAndTicksTheReadWhilePlaying) {
    int ticks = 0;
    controller.onTick = [&] { ++ticks; };

    showBubble(); // one second of playing in the bubble
    EXPECT_NEAR(ticks, 60, 1);

    viewModel.setPhase(Phase::paused());
    const int whilePlaying = ticks;
    advance(1);
    EXPECT_EQ(ticks, whilePlaying);
    EXPECT_FALSE(controller.isTickRunning()); // nothing moves

    viewModel.setPhase(Phase::hidden());
    advance(1);
    EXPECT_EQ(state(), State::idleBar);
    EXPECT_FALSE(controller.isTickRunning());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(PanelControllerTest, aRestingPanelSchedulesNothingUntilItsSheetChangesOrTheReadPlays) {
    int ticks = 0;
    controller.onTick = [&] { ++ticks; };
    dropPanel();
    viewModel.setPhase(Phase::paused());
    advance(DisplayTick::interval); // the tick that finds the pause is the last
    EXPECT_FALSE(controller.isTickRunning());
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // A warning wakes it for one tick, which makes room for the warning's row.
    warningModel.setKeyPresence(KeyPresence::absent);
    EXPECT_TRUE(controller.isTickRunning());
    advance(DisplayTick::interval);
    EXPECT_EQ(controller.geometryBox().warningRowHeight(), 33);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // So does a longer transcript.
    const qreal before = controller.geometryBox().cachedTextHeight();
    viewModel.setText(QString(QStringLiteral("word ")).repeated(200));
    advance(DisplayTick::interval);
    EXPECT_GT(controller.geometryBox().cachedTextHeight(), before);
    EXPECT_EQ(scheduler.pendingCount(), 0u);

    // Playing again ticks the read at the display rate.
    const int whilePaused = ticks;
    viewModel.setPhase(Phase::playing());
    advance(1);
    EXPECT_NEAR(ticks - whilePaused, 60, 1);
    EXPECT_TRUE(controller.isTickRunning());
}

TEST_F(PanelControllerTest, theTickFollowsTheTranscriptWhileThePanelIsDown) {
    dropPanel();
    const qreal before = controller.geometryBox().cachedTextHeight();
    viewModel.setText(QString(QStringLiteral("word ")).repeated(200));
    advance(1.0 / 60);
    EXPECT_GT(controller.geometryBox().cachedTextHeight(), before);
    const int measured = measurer.measured.size();
    advance(1);
    EXPECT_EQ(measurer.measured.size(), measured); // measured once per text
}

TEST_F(PanelControllerTest, theTutorialOpensAndPinsThePanelAndPlacesItsCardBelowIt) {
    int dismissals = 0;
    controller.onboardingModel().onDismissPanel = [&] { ++dismissals; };
    controller.onboardingModel().setIndex(3);
    startOnIdleBar();
    controller.presentOnboarding();
    EXPECT_TRUE(Defaults::get(settings.keys.hasSeenOnboarding)); // at once
    EXPECT_EQ(state(), State::idleBarRetracting);

    advance(1);
    EXPECT_EQ(state(), State::panel);
    const auto& pins = controller.machine().pinSources;
    EXPECT_TRUE(pins.contains(PinSource::onboarding));
    EXPECT_TRUE(pins.contains(PinSource::menuOpen));
    EXPECT_EQ(controller.onboardingModel().index(), 0);
    FakeSurfaceWindow& card = window(SurfaceKind::onboarding);
    EXPECT_TRUE(card.shown);
    // 22 pt and one card height below the sheet, reaching up to the top of the screen.
    expectRect(card.frame(), QRectF(472, sheetBottom - 22 - 132, 496, 264));
    EXPECT_EQ(controller.onboardingGeometry().exitTravel(), 264);
    // Only the card takes clicks: the panel and the gap above the card are left to what lies
    // there.
    ASSERT_TRUE(card.inputArea.has_value());
    expectRect(*card.inputArea, QRectF(472, sheetBottom - 22 - 132, 496, 132));
    EXPECT_TRUE(controller.onboardingGeometry().revealed());
    EXPECT_EQ(controller.onboardingGeometry().presentationID(), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u); // the card and the panel rest: nothing runs

    card.cancel(); // Esc
    EXPECT_EQ(dismissals, 1);
    EXPECT_FALSE(controller.onboardingPresented());
    EXPECT_TRUE(controller.onboardingGeometry().isExiting());
    EXPECT_FALSE(controller.onboardingGeometry().revealed());
    EXPECT_FALSE(controller.machine().pinSources.contains(PinSource::onboarding));
    advance(0.33);
    EXPECT_TRUE(card.shown);
    advance(0.01);
    EXPECT_FALSE(card.shown);
}

TEST_F(PanelControllerTest, theTutorialsCardTakesTheKeyboardAndTabGoesRoundItAndThePanel) {
    FakeSurfaceWindow& card = window(SurfaceKind::onboarding);
    FakeSurfaceWindow& panel = window(SurfaceKind::panel);
    controller.onPanelFocus = [&panel](PanelFocusTarget target) {
        panel.calls << (target == PanelFocusTarget::lastControl ? u"focus lastControl"_qs
                                                                : u"focus other"_qs);
    };
    startOnIdleBar();
    controller.presentOnboarding();
    advance(1);
    // Up, the card has the keyboard on its first control; the panel behind it does not.
    const qsizetype shownAt = card.calls.lastIndexOf(QStringLiteral("orderFront"));
    EXPECT_EQ(card.calls.indexOf(QStringLiteral("makeKeyAtEnd forward")), shownAt + 1);
    EXPECT_FALSE(panel.calls.contains(QStringLiteral("makeKey")));

    // Opening Parlino again gives the keyboard back to the card.
    controller.openPanel();
    EXPECT_EQ(card.calls.constLast(), u"makeKey"_qs);
    EXPECT_FALSE(panel.calls.contains(QStringLiteral("makeKey")));

    // Shift+Tab before the card's first control lands on the panel's last; Tab past the panel's
    // last comes back to the card's first.
    EXPECT_TRUE(card.tabOut(TabDirection::backward));
    EXPECT_EQ(panel.calls.mid(panel.calls.size() - 2),
              QStringList({u"focus lastControl"_qs, u"makeKey"_qs}));
    EXPECT_TRUE(panel.tabOut(TabDirection::forward));
    EXPECT_EQ(card.calls.constLast(), u"makeKeyAtEnd forward"_qs);
    EXPECT_TRUE(card.tabOut(TabDirection::forward));
    EXPECT_EQ(panel.calls.mid(panel.calls.size() - 2),
              QStringList({u"focus other"_qs, u"makeKey"_qs}));

    // Once the card goes, Tab stays in each window, and opening Parlino keys the panel.
    card.cancel();
    EXPECT_FALSE(panel.tabOut(TabDirection::forward));
    EXPECT_FALSE(card.tabOut(TabDirection::forward));
    controller.openPanel();
    EXPECT_EQ(panel.calls.constLast(), u"makeKey"_qs);
}

TEST_F(PanelControllerTest, theTutorialEndsWithoutDismissingWhenThePanelGoes) {
    int dismissals = 0;
    controller.onboardingModel().onDismissPanel = [&] { ++dismissals; };
    startOnIdleBar();
    controller.presentOnboarding();
    advance(1);
    ASSERT_TRUE(controller.onboardingPresented());
    viewModel.hide();
    EXPECT_FALSE(controller.onboardingPresented());
    EXPECT_EQ(dismissals, 0);
}

TEST_F(PanelControllerTest, theFirstTutorialWaitsForTheIdleBarAndThenForThePanelToSettle) {
    controller.presentOnboarding();
    controller.presentOnboarding(); // already under way: nothing more
    advance(0.5);
    EXPECT_EQ(state(), State::hidden);

    controller.start();
    while (!controller.machine().pinSources.contains(PinSource::onboarding) && clock.now() < 3)
        advance(0.01);
    ASSERT_EQ(state(), State::panel);
    FakeSurfaceWindow& card = window(SurfaceKind::onboarding);
    EXPECT_FALSE(card.shown); // the sheet has not been seen still yet

    // The sheet grows as a step reveals settings behind the card: the card waits for it.
    viewModel.setContentMode(PanelContentMode::settings);
    advance(0.03);
    EXPECT_FALSE(card.shown);
    advance(0.03);
    EXPECT_TRUE(card.shown);
    EXPECT_TRUE(controller.onboardingGeometry().revealed());
    EXPECT_LT(card.frame().y(), sheetBottom - 22 - 132); // under the taller sheet
    EXPECT_EQ(logs.messages().filter(QStringLiteral("onboarding present")).size(), 1);
    EXPECT_FALSE(logs.contains(QStringLiteral("presenting anyway"))); // never the cap's line
}

TEST_F(PanelControllerTest, theTutorialPresentsAnywayWhenThePanelHasNotOpenedWithinTwoSeconds) {
    controller.presentOnboarding(); // never started: the panel cannot open
    advance(1.95);
    FakeSurfaceWindow& card = window(SurfaceKind::onboarding);
    EXPECT_FALSE(card.shown);
    EXPECT_FALSE(controller.machine().pinSources.contains(PinSource::onboarding));

    advance(0.1);
    EXPECT_TRUE(logs.contains(
        QStringLiteral("onboarding: panel never settled — presenting anyway (state=hidden)")));
    EXPECT_TRUE(controller.machine().pinSources.contains(PinSource::onboarding));
    EXPECT_TRUE(card.shown);
    EXPECT_TRUE(controller.onboardingGeometry().revealed());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(PanelControllerTest, presentingAgainWhileTheCardLeavesKeepsItsWindowAndStartsOver) {
    startOnIdleBar();
    controller.presentOnboarding();
    advance(1);
    controller.onboardingModel().advance();
    controller.endOnboarding(false);
    advance(0.2);
    controller.presentOnboarding();
    advance(1);
    FakeSurfaceWindow& card = window(SurfaceKind::onboarding);
    EXPECT_TRUE(card.shown);
    EXPECT_FALSE(card.calls.contains(QStringLiteral("orderOut")));
    EXPECT_EQ(controller.onboardingGeometry().presentationID(), 2);
    EXPECT_FALSE(controller.onboardingGeometry().isExiting());
    EXPECT_EQ(controller.onboardingModel().index(), 0);
}

TEST_F(PanelControllerTest, makingRoomForAWindowSendsThePanelUpAtOnceAndKeepsTheTutorialsCard) {
    controller.onOpenLanding = [] { return OpenLanding::clips; }; // as at the first start
    startOnIdleBar();
    controller.presentOnboarding();
    advance(1);
    FakeSurfaceWindow& card = window(SurfaceKind::onboarding);
    ASSERT_TRUE(card.shown);
    const qreal underThePanel = card.frame().y();

    controller.makeRoomForWindow();
    EXPECT_FALSE(window(SurfaceKind::panel).shown); // at once, not after its fade
    EXPECT_TRUE(controller.onboardingPresented());
    EXPECT_TRUE(card.shown);
    // 22 pt and one card height below the top edge of the screen, taking clicks where it is.
    expectRect(card.frame(), QRectF(472, 900 - 22 - 132, 496, 264));
    ASSERT_TRUE(card.inputArea.has_value());
    expectRect(*card.inputArea, QRectF(472, 900 - 22 - 132, 496, 132));
    advance(1);
    EXPECT_EQ(state(), State::idleBar);
    EXPECT_TRUE(card.shown);
    EXPECT_EQ(card.frame().y(), 900 - 22 - 132);

    // Opened again, the panel takes the card below it; going up, it leaves the tutorial on.
    controller.handleIdleBarClick();
    advance(1);
    ASSERT_EQ(state(), State::panel);
    EXPECT_EQ(card.frame().y(), underThePanel);
    controller.closePanelNow();
    advance(1);
    EXPECT_TRUE(controller.onboardingPresented());
    EXPECT_EQ(card.frame().y(), 900 - 22 - 132);

    // Once ended, a later tutorial goes with the panel again.
    card.cancel();
    advance(1);
    controller.presentOnboarding();
    advance(1);
    controller.closePanelNow();
    EXPECT_FALSE(controller.onboardingPresented());
}

TEST_F(PanelControllerTest, theSettingsWindowTakesOverTheStepsPartsOnlyWhileThePanelIsUpForIt) {
    controller.onOpenLanding = [] { return OpenLanding::clips; };
    OnboardingModel& model = controller.onboardingModel();
    QList<std::pair<OnboardingReveal, OnboardingHost>> reveals;
    model.onReveal = [&](OnboardingReveal reveal) { reveals.append({reveal, model.host()}); };
    startOnIdleBar();
    controller.presentOnboarding();
    advance(1);
    using enum OnboardingHost;
    using enum OnboardingReveal;

    // Shown beside the panel, the window changes nothing.
    controller.settingsWindowShownChanged(true);
    model.advance();
    EXPECT_EQ(model.host(), panel);
    controller.settingsWindowShownChanged(false);

    // The panel goes up for the window, which then shows the current step's part, and the next.
    reveals.clear();
    controller.makeRoomForWindow();
    EXPECT_EQ(model.host(), panel) << "the window is not shown yet";
    advance(1);
    controller.settingsWindowShownChanged(true);
    EXPECT_EQ(model.host(), settingsWindow);
    model.advance();
    EXPECT_EQ(reveals, (QList<std::pair<OnboardingReveal, OnboardingHost>>{
                           {apiKey, settingsWindow}, {usage, settingsWindow}}));

    // Closed or minimised, it hands back to the panel; shown again, it takes over again.
    reveals.clear();
    controller.settingsWindowShownChanged(false);
    EXPECT_EQ(model.host(), panel);
    controller.settingsWindowShownChanged(true);
    EXPECT_EQ(model.host(), settingsWindow);
    EXPECT_EQ(reveals,
              (QList<std::pair<OnboardingReveal, OnboardingHost>>{{usage, settingsWindow}}));

    // The panel down again shows the parts itself, until it goes up again.
    controller.handleIdleBarClick();
    advance(1);
    ASSERT_EQ(state(), State::panel);
    EXPECT_EQ(model.host(), panel);
    controller.closePanelNow();
    EXPECT_EQ(model.host(), settingsWindow);
    advance(1);

    // The card leaves in the words it had; a later tutorial starts beside the panel.
    window(SurfaceKind::onboarding).cancel();
    EXPECT_EQ(model.host(), settingsWindow);
    advance(1);
    controller.presentOnboarding();
    advance(1);
    EXPECT_EQ(model.host(), panel);
}

TEST_F(PanelControllerTest, makingRoomForAWindowClosesOnlyAPanelThatIsDown) {
    showBubble();
    controller.makeRoomForWindow();
    EXPECT_EQ(state(), State::bubble);

    controller.handleBubbleHover();
    advance(0.35);
    ASSERT_EQ(state(), State::panel);
    controller.makeRoomForWindow();
    EXPECT_FALSE(window(SurfaceKind::panel).shown);
    EXPECT_EQ(state(), State::panelRetracting);
    advance(1);
    EXPECT_EQ(state(), State::bubble); // the read plays on
}

TEST_F(PanelControllerTest, escapeInTheBubbleOrPanelClosesTheRead) {
    int closes = 0;
    viewModel.onClose = [&] { ++closes; };
    window(SurfaceKind::bubble).cancel();
    window(SurfaceKind::panel).cancel();
    EXPECT_EQ(closes, 2);
}

} // namespace
