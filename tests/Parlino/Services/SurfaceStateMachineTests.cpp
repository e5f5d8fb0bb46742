#include "Parlino/Services/SurfaceStateMachine.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <tuple>

using namespace Parlino;
using Event = SurfaceEvent::Kind;
using Command = SurfaceCommand;
using Reason = SurfaceStateMachine::IdleBarRetractReason;
using std::nullopt;

namespace Parlino {
inline void PrintTo(const SurfaceState& state, std::ostream* os) {
    *os << state.description().toStdString();
}
} // namespace Parlino

namespace {

const std::vector<SurfaceState> allStates{
    SurfaceState::panel(false),
    SurfaceState::panel(true),
    SurfaceState::hidden(),
    SurfaceState::idleBar(),
    SurfaceState::idleBarRetracting(),
    SurfaceState::idleBarReturning(),
    SurfaceState::bubble(),
    SurfaceState::bubbleRetracting(),
    SurfaceState::panelDropping(),
    SurfaceState::panelRetracting(),
    SurfaceState::bubbleReturning(),
};

SurfaceStateMachine in(SurfaceState state) {
    SurfaceStateMachine machine;
    machine.state = state;
    return machine;
}

// A machine in `state` with every flag set, a retract reason and two pins.
SurfaceStateMachine busy(SurfaceState state) {
    SurfaceStateMachine machine = in(state);
    machine.finishedWhilePanelOpen = true;
    machine.pendingCollapseAfterDrop = true;
    machine.pendingCardAfterRetract = true;
    machine.bubbleRetractingBecauseFinished = true;
    machine.idleBarRetractReason = Reason::clicked;
    machine.panelHasNoActiveRead = true;
    machine.pinSources = {PinSource::menuOpen, PinSource::onboarding};
    machine.mouseOutsidePanel = true;
    return machine;
}

void expectFullReset(const SurfaceStateMachine& machine) {
    EXPECT_FALSE(machine.finishedWhilePanelOpen);
    EXPECT_FALSE(machine.pendingCollapseAfterDrop);
    EXPECT_FALSE(machine.pendingCardAfterRetract);
    EXPECT_FALSE(machine.bubbleRetractingBecauseFinished);
    EXPECT_FALSE(machine.panelHasNoActiveRead);
    EXPECT_TRUE(machine.pinSources.empty());
    EXPECT_FALSE(machine.mouseOutsidePanel);
}

bool sameFlags(const SurfaceStateMachine& a, const SurfaceStateMachine& b) {
    return a.finishedWhilePanelOpen == b.finishedWhilePanelOpen &&
           a.pendingCollapseAfterDrop == b.pendingCollapseAfterDrop &&
           a.pendingCardAfterRetract == b.pendingCardAfterRetract &&
           a.bubbleRetractingBecauseFinished == b.bubbleRetractingBecauseFinished &&
           a.idleBarRetractReason == b.idleBarRetractReason &&
           a.panelHasNoActiveRead == b.panelHasNoActiveRead && a.pinSources == b.pinSources &&
           a.mouseOutsidePanel == b.mouseOutsidePanel;
}

// The event changes nothing in any state but those listed.
void expectIgnoredOutside(SurfaceEvent event, const std::vector<SurfaceState>& handledIn) {
    for (const auto& state : allStates) {
        if (std::find(handledIn.begin(), handledIn.end(), state) != handledIn.end())
            continue;
        auto machine = busy(state);
        const auto before = machine;
        EXPECT_EQ(machine.handle(event), nullopt) << state.description().toStdString();
        EXPECT_EQ(machine.state, state);
        EXPECT_TRUE(sameFlags(machine, before)) << state.description().toStdString();
    }
}

TEST(SurfaceStateMachine, StartsHiddenAndStartShowsTheIdleBarOnce) {
    SurfaceStateMachine machine;
    EXPECT_EQ(machine.state, SurfaceState::hidden());
    EXPECT_EQ(machine.handle(Event::start), Command::showIdleBar);
    EXPECT_EQ(machine.state, SurfaceState::idleBar());
    expectIgnoredOutside(Event::start, {SurfaceState::hidden()});
}

TEST(SurfaceStateMachine, PinsAreCountedPerSourceInEveryState) {
    for (const auto& state : allStates) {
        auto machine = in(state);
        EXPECT_EQ(machine.handle(SurfaceEvent::pin(PinSource::explicitToggle)), nullopt);
        EXPECT_EQ(machine.handle(SurfaceEvent::pin(PinSource::menuOpen)), nullopt);
        EXPECT_EQ(machine.handle(SurfaceEvent::unpin(PinSource::explicitToggle)), nullopt);
        EXPECT_EQ(machine.pinSources, std::set{PinSource::menuOpen});
        EXPECT_EQ(machine.state, state);
    }
}

TEST(SurfaceStateMachine, UnpinCollapsesOnlyWhenThePointerIsOutside) {
    auto machine = in(SurfaceState::panel(false));
    machine.handle(SurfaceEvent::pin(PinSource::explicitToggle));
    EXPECT_EQ(machine.handle(SurfaceEvent::unpin(PinSource::explicitToggle)), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::panel(false));

    machine.handle(SurfaceEvent::pin(PinSource::menuOpen));
    machine.handle(SurfaceEvent::pin(PinSource::explicitToggle));
    EXPECT_EQ(machine.handle(Event::mouseLeftPanel), nullopt);
    EXPECT_EQ(machine.handle(SurfaceEvent::unpin(PinSource::menuOpen)), nullopt);
    EXPECT_EQ(machine.handle(SurfaceEvent::unpin(PinSource::explicitToggle)),
              Command::retractPanel);
    EXPECT_EQ(machine.state, SurfaceState::panelRetracting());
}

TEST(SurfaceStateMachine, ReadBeganRetractsTheIdleBarFirstAndGoesStraightToTheBubbleElsewhere) {
    auto machine = busy(SurfaceState::idleBar());
    EXPECT_EQ(machine.handle(Event::readBegan), Command::retractIdleBar);
    EXPECT_EQ(machine.state, SurfaceState::idleBarRetracting());
    EXPECT_EQ(machine.idleBarRetractReason, Reason::readBegan);
    expectFullReset(machine);

    for (const auto& state : allStates) {
        if (state == SurfaceState::idleBar())
            continue;
        machine = busy(state);
        EXPECT_EQ(machine.handle(Event::readBegan), Command::showBubble);
        EXPECT_EQ(machine.state, SurfaceState::bubble());
        EXPECT_EQ(machine.idleBarRetractReason, nullopt);
        expectFullReset(machine);
    }
}

TEST(SurfaceStateMachine, CardNeededAlwaysEndsAsTheCardPanel) {
    auto machine = busy(SurfaceState::idleBar());
    EXPECT_EQ(machine.handle(Event::cardNeeded), Command::retractIdleBar);
    EXPECT_EQ(machine.idleBarRetractReason, Reason::cardNeeded);
    expectFullReset(machine);
    EXPECT_EQ(machine.handle(Event::idleBarRetractFinished), Command::dropPanel);
    EXPECT_EQ(machine.state, SurfaceState::panel(true));

    machine = busy(SurfaceState::panelRetracting());
    machine.pendingCardAfterRetract = false;
    EXPECT_EQ(machine.handle(Event::cardNeeded), nullopt);
    EXPECT_TRUE(machine.pendingCardAfterRetract);
    EXPECT_TRUE(machine.finishedWhilePanelOpen);
    EXPECT_EQ(machine.handle(Event::panelRetractFinished), Command::dropPanel);
    EXPECT_EQ(machine.state, SurfaceState::panel(true));
    expectFullReset(machine);

    for (const auto& state : allStates) {
        if (state == SurfaceState::idleBar() || state == SurfaceState::panelRetracting())
            continue;
        machine = busy(state);
        EXPECT_EQ(machine.handle(Event::cardNeeded), Command::dropPanel);
        EXPECT_EQ(machine.state, SurfaceState::panel(true));
        expectFullReset(machine);
    }
}

TEST(SurfaceStateMachine, CardPanelIgnoresItsDropFinishThePointerAndUnpins) {
    auto machine = in(SurfaceState::idleBar());
    machine.handle(Event::readBegan);
    machine.handle(Event::cardNeeded);
    EXPECT_EQ(machine.handle(Event::panelDropFinished), nullopt);
    EXPECT_EQ(machine.handle(Event::mouseLeftPanel), nullopt);
    machine.handle(SurfaceEvent::pin(PinSource::explicitToggle));
    EXPECT_EQ(machine.handle(SurfaceEvent::unpin(PinSource::explicitToggle)), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::panel(true));
}

TEST(SurfaceStateMachine, IdleBarClickOpensThePanelWithoutARead) {
    for (const auto& state : {SurfaceState::idleBar(), SurfaceState::idleBarReturning()}) {
        auto machine = busy(state);
        EXPECT_EQ(machine.handle(Event::idleBarClicked), Command::retractIdleBar);
        EXPECT_EQ(machine.state, SurfaceState::idleBarRetracting());
        EXPECT_EQ(machine.idleBarRetractReason, Reason::clicked);
        expectFullReset(machine);
    }
    expectIgnoredOutside(Event::idleBarClicked,
                         {SurfaceState::idleBar(), SurfaceState::idleBarReturning()});

    auto machine = in(SurfaceState::idleBar());
    machine.handle(Event::idleBarClicked);
    EXPECT_EQ(machine.handle(Event::idleBarRetractFinished), Command::dropPanel);
    EXPECT_EQ(machine.state, SurfaceState::panelDropping());
    EXPECT_TRUE(machine.panelHasNoActiveRead);
    EXPECT_EQ(machine.idleBarRetractReason, nullopt);
    EXPECT_EQ(machine.handle(Event::panelDropFinished), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::panel(false));
    EXPECT_EQ(machine.handle(Event::mouseLeftPanel), Command::retractPanel);
    EXPECT_EQ(machine.handle(Event::panelRetractFinished), Command::returnIdleBar);
    EXPECT_EQ(machine.state, SurfaceState::idleBarReturning());
    EXPECT_FALSE(machine.panelHasNoActiveRead);
    EXPECT_EQ(machine.handle(Event::idleBarReturnFinished), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::idleBar());
}

TEST(SurfaceStateMachine, IdleBarRetractFinishShowsTheBubbleForAReadAndNothingWithoutAReason) {
    auto machine = in(SurfaceState::idleBar());
    machine.handle(Event::readBegan);
    EXPECT_EQ(machine.handle(Event::idleBarRetractFinished), Command::showBubble);
    EXPECT_EQ(machine.state, SurfaceState::bubble());
    EXPECT_EQ(machine.idleBarRetractReason, nullopt);

    machine = in(SurfaceState::idleBarRetracting());
    EXPECT_EQ(machine.handle(Event::idleBarRetractFinished), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::idleBarRetracting());
    expectIgnoredOutside(Event::idleBarRetractFinished, {SurfaceState::idleBarRetracting()});
}

TEST(SurfaceStateMachine, HoveringTheBubbleDropsTheReadingPanel) {
    auto machine = in(SurfaceState::bubble());
    EXPECT_EQ(machine.handle(Event::bubbleHovered), Command::retractBubble);
    EXPECT_EQ(machine.state, SurfaceState::bubbleRetracting());
    EXPECT_EQ(machine.handle(Event::bubbleRetractFinished), Command::dropPanel);
    EXPECT_EQ(machine.state, SurfaceState::panelDropping());
    EXPECT_EQ(machine.handle(Event::panelDropFinished), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::panel(false));
    expectIgnoredOutside(Event::bubbleRetractFinished, {SurfaceState::bubbleRetracting()});
    expectIgnoredOutside(Event::panelDropFinished, {SurfaceState::panelDropping()});
}

TEST(SurfaceStateMachine, PointerLeavingDuringTheDropCollapsesAtItsEndUnlessTheBubbleIsHovered) {
    auto machine = in(SurfaceState::panelDropping());
    EXPECT_EQ(machine.handle(Event::mouseLeftPanel), nullopt);
    EXPECT_TRUE(machine.pendingCollapseAfterDrop);
    EXPECT_EQ(machine.handle(Event::panelDropFinished), Command::retractPanel);
    EXPECT_EQ(machine.state, SurfaceState::panelRetracting());
    EXPECT_FALSE(machine.pendingCollapseAfterDrop);

    machine = in(SurfaceState::panelDropping());
    machine.handle(Event::mouseLeftPanel);
    EXPECT_EQ(machine.handle(Event::bubbleHovered), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::panelDropping());
    EXPECT_EQ(machine.handle(Event::panelDropFinished), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::panel(false));

    expectIgnoredOutside(Event::bubbleHovered,
                         {SurfaceState::bubble(), SurfaceState::panelDropping()});
}

TEST(SurfaceStateMachine, PointerLeavingCollapsesOnlyAnUnpinnedReadingPanel) {
    for (const auto& state : allStates) {
        auto machine = in(state);
        const auto command = machine.handle(Event::mouseLeftPanel);
        EXPECT_TRUE(machine.mouseOutsidePanel);
        if (state == SurfaceState::panel(false)) {
            EXPECT_EQ(command, Command::retractPanel);
            EXPECT_EQ(machine.state, SurfaceState::panelRetracting());
        } else {
            EXPECT_EQ(command, nullopt);
            EXPECT_EQ(machine.state, state);
            EXPECT_EQ(machine.pendingCollapseAfterDrop, state == SurfaceState::panelDropping());
        }
        EXPECT_EQ(machine.handle(Event::mouseReturnedToPanel), nullopt);
        EXPECT_FALSE(machine.mouseOutsidePanel);
    }

    auto machine = in(SurfaceState::panel(false));
    machine.handle(SurfaceEvent::pin(PinSource::menuOpen));
    EXPECT_EQ(machine.handle(Event::mouseLeftPanel), nullopt);
    machine = in(SurfaceState::panelDropping());
    machine.handle(SurfaceEvent::pin(PinSource::onboarding));
    machine.handle(Event::mouseLeftPanel);
    EXPECT_FALSE(machine.pendingCollapseAfterDrop);
}

TEST(SurfaceStateMachine, RetractedPanelReturnsToTheBubbleWhileTheReadGoesOn) {
    auto machine = in(SurfaceState::panelRetracting());
    EXPECT_EQ(machine.handle(Event::panelRetractFinished), Command::returnBubble);
    EXPECT_EQ(machine.state, SurfaceState::bubbleReturning());
    EXPECT_EQ(machine.handle(Event::bubbleReturnFinished), nullopt);
    EXPECT_EQ(machine.state, SurfaceState::bubble());

    for (const bool finished : {true, false}) {
        machine = in(SurfaceState::panelRetracting());
        machine.finishedWhilePanelOpen = finished;
        machine.panelHasNoActiveRead = !finished;
        EXPECT_EQ(machine.handle(Event::panelRetractFinished), Command::returnIdleBar);
        EXPECT_EQ(machine.state, SurfaceState::idleBarReturning());
        EXPECT_FALSE(machine.finishedWhilePanelOpen);
        EXPECT_FALSE(machine.panelHasNoActiveRead);
    }
    expectIgnoredOutside(Event::panelRetractFinished, {SurfaceState::panelRetracting()});
    expectIgnoredOutside(Event::bubbleReturnFinished, {SurfaceState::bubbleReturning()});
    expectIgnoredOutside(Event::idleBarReturnFinished, {SurfaceState::idleBarReturning()});
}

TEST(SurfaceStateMachine, ReadFinishingInTheBubbleBringsBackTheIdleBar) {
    for (const Event event : {Event::readFinished, Event::bubbleIdleTimeout}) {
        auto machine = in(SurfaceState::bubble());
        EXPECT_EQ(machine.handle(event), Command::retractBubble);
        EXPECT_EQ(machine.state, SurfaceState::bubbleRetracting());
        EXPECT_TRUE(machine.bubbleRetractingBecauseFinished);
        EXPECT_EQ(machine.handle(Event::bubbleRetractFinished), Command::returnIdleBar);
        EXPECT_EQ(machine.state, SurfaceState::idleBarReturning());
        EXPECT_FALSE(machine.bubbleRetractingBecauseFinished);
    }
    expectIgnoredOutside(Event::bubbleIdleTimeout, {SurfaceState::bubble()});
}

TEST(SurfaceStateMachine, ReadFinishingWhileThePanelIsOpenReturnsItToTheIdleBar) {
    for (const auto& state : {SurfaceState::bubbleRetracting(), SurfaceState::panelDropping(),
                              SurfaceState::panel(false)}) {
        auto machine = in(state);
        EXPECT_EQ(machine.handle(Event::readFinished), nullopt);
        EXPECT_EQ(machine.state, state);
        EXPECT_TRUE(machine.finishedWhilePanelOpen);
    }
    expectIgnoredOutside(Event::readFinished,
                         {SurfaceState::bubble(), SurfaceState::bubbleRetracting(),
                          SurfaceState::panelDropping(), SurfaceState::panel(false)});

    auto machine = in(SurfaceState::panel(false));
    machine.handle(Event::readFinished);
    machine.handle(Event::mouseLeftPanel);
    EXPECT_EQ(machine.handle(Event::panelRetractFinished), Command::returnIdleBar);
}

TEST(SurfaceStateMachine, DismissAllHidesEverythingAndSettlesInTheIdleBar) {
    for (const auto& state : allStates) {
        auto machine = busy(state);
        const auto command = machine.handle(Event::dismissAll);
        expectFullReset(machine);
        EXPECT_EQ(machine.idleBarRetractReason, nullopt);
        if (state == SurfaceState::hidden() || state == SurfaceState::idleBar()) {
            EXPECT_EQ(command, nullopt);
            EXPECT_EQ(machine.state, state);
            continue;
        }
        EXPECT_EQ(command, Command::hideAll);
        EXPECT_EQ(machine.state, SurfaceState::idleBarReturning());
        EXPECT_EQ(machine.handle(Event::hideAllFinished), Command::returnIdleBar);
        EXPECT_EQ(machine.state, SurfaceState::idleBarReturning());
        EXPECT_EQ(machine.handle(Event::idleBarReturnFinished), nullopt);
        EXPECT_EQ(machine.state, SurfaceState::idleBar());
    }
    expectIgnoredOutside(Event::hideAllFinished, {SurfaceState::idleBarReturning()});
}

TEST(SurfaceStateMachine, ClosingTheReadingPanelKeepsWhetherTheReadFinished) {
    for (const bool finished : {true, false}) {
        auto machine = busy(SurfaceState::panel(false));
        machine.finishedWhilePanelOpen = finished;
        machine.panelHasNoActiveRead = false;
        machine.pendingCardAfterRetract = false;
        EXPECT_EQ(machine.handle(Event::closePanel), Command::retractPanel);
        EXPECT_EQ(machine.state, SurfaceState::panelRetracting());
        EXPECT_TRUE(machine.pinSources.empty());
        EXPECT_FALSE(machine.mouseOutsidePanel);
        EXPECT_TRUE(machine.pendingCollapseAfterDrop);
        EXPECT_EQ(machine.handle(Event::panelRetractFinished),
                  finished ? Command::returnIdleBar : Command::returnBubble);
    }
    for (const auto& state : allStates) {
        if (state == SurfaceState::panel(false))
            continue;
        auto closed = busy(state);
        auto dismissed = busy(state);
        EXPECT_EQ(closed.handle(Event::closePanel), dismissed.handle(Event::dismissAll));
        EXPECT_EQ(closed.state, dismissed.state);
        EXPECT_TRUE(sameFlags(closed, dismissed));
    }
}

// Reports the end of each animation, as the controller does, until the surfaces rest.
void settle(SurfaceStateMachine& machine) {
    const std::map<SurfaceState::Kind, Event> ends{
        {SurfaceState::Kind::idleBarRetracting, Event::idleBarRetractFinished},
        {SurfaceState::Kind::idleBarReturning, Event::idleBarReturnFinished},
        {SurfaceState::Kind::bubbleRetracting, Event::bubbleRetractFinished},
        {SurfaceState::Kind::panelDropping, Event::panelDropFinished},
        {SurfaceState::Kind::panelRetracting, Event::panelRetractFinished},
        {SurfaceState::Kind::bubbleReturning, Event::bubbleReturnFinished},
    };
    for (int step = 0; step < 10 && ends.contains(machine.state.kind()); ++step)
        machine.handle(ends.at(machine.state.kind()));
}

// An open on the way to the panel or to a card keeps that way, and the panel comes down held by
// the menu's pin; the controller's tests walk through the resting and returning surfaces.
TEST(SurfaceStateMachine, AnOpenOnTheWayToThePanelOrACardKeepsItsWay) {
    const auto reached = [](std::initializer_list<SurfaceEvent> events) {
        SurfaceStateMachine machine;
        for (const SurfaceEvent event : events)
            machine.handle(event);
        return machine;
    };
    const std::vector<std::tuple<const char*, SurfaceStateMachine, SurfaceState>> cases{
        {"idle bar going for a click", reached({Event::start, Event::idleBarClicked}),
         SurfaceState::panel(false)},
        {"idle bar going for a card", reached({Event::start, Event::cardNeeded}),
         SurfaceState::panel(true)},
        {"bubble going for the panel", reached({Event::readBegan, Event::bubbleHovered}),
         SurfaceState::panel(false)},
        // The pointer left during the drop: the open keeps the panel down.
        {"panel coming down",
         reached({Event::readBegan, Event::bubbleHovered, Event::bubbleRetractFinished,
                  Event::mouseLeftPanel}),
         SurfaceState::panel(false)},
        {"panel going up for a card",
         reached({Event::readBegan, Event::bubbleHovered, Event::bubbleRetractFinished,
                  Event::panelDropFinished, Event::mouseLeftPanel, Event::cardNeeded}),
         SurfaceState::panel(true)},
    };
    for (auto [during, machine, down] : cases) {
        SCOPED_TRACE(during);
        EXPECT_EQ(machine.handle(Event::openRequested), nullopt);
        EXPECT_TRUE(machine.pinSources.contains(PinSource::menuOpen));
        settle(machine);
        EXPECT_EQ(machine.state, down);
        EXPECT_EQ(machine.handle(Event::mouseLeftPanel), nullopt);
        EXPECT_EQ(machine.state, down);
    }

    // Nothing to open before the start, nor with the panel down.
    for (const auto& state : {SurfaceState::hidden(), SurfaceState::panel(false)}) {
        auto machine = in(state);
        EXPECT_EQ(machine.handle(Event::openRequested), nullopt);
        EXPECT_EQ(machine.state, state);
        EXPECT_TRUE(machine.pinSources.empty());
    }
}

TEST(SurfaceStateMachine, NewSessionForgetsThatThePanelHadNoReadOrAFinishedOne) {
    for (const auto& state : allStates) {
        auto machine = busy(state);
        EXPECT_EQ(machine.handle(Event::sessionStarted), nullopt);
        EXPECT_EQ(machine.state, state);
        EXPECT_FALSE(machine.finishedWhilePanelOpen);
        EXPECT_FALSE(machine.panelHasNoActiveRead);
        EXPECT_TRUE(machine.pendingCardAfterRetract);
        EXPECT_EQ(machine.pinSources.size(), 2u);
    }
}

} // namespace
