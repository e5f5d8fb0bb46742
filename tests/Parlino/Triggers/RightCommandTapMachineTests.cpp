#include "Parlino/Triggers/RightCommandTapMachine.h"

#include <gtest/gtest.h>

#include <ostream>

namespace Parlino {
inline void PrintTo(const RightCommandTapMachine::Action& action, std::ostream* os) {
    using Kind = RightCommandTapMachine::Action::Kind;
    switch (action.kind) {
    case Kind::scheduleWait:
        *os << "scheduleWait(" << action.seconds << ", " << action.generation << ")";
        return;
    case Kind::cancel:
        *os << "cancel(" << rawValue(action.reason) << ")";
        return;
    case Kind::armed:
        *os << "armed";
        return;
    case Kind::fireSingle:
        *os << "fireSingle";
        return;
    case Kind::fireDouble:
        *os << "fireDouble";
        return;
    }
}
} // namespace Parlino

namespace {

using Parlino::RightCommandTapMachine;
using Action = RightCommandTapMachine::Action;
using Actions = RightCommandTapMachine::Actions;
using Event = RightCommandTapMachine::Event;
using Reason = RightCommandTapMachine::CancelReason;
using Armed = RightCommandTapMachine::Armed;
using Pending = RightCommandTapMachine::Pending;
using SecondTapDown = RightCommandTapMachine::SecondTapDown;
using Idle = RightCommandTapMachine::Idle;
using State = RightCommandTapMachine::State;

// Times are binary fractions, so every difference the machine takes is exact.
class TapMachine : public ::testing::Test {
protected:
    Actions tap(double down, double up) {
        Actions actions = machine.handle(Event::modifierDown(down));
        actions += machine.handle(Event::modifierUp(up));
        return actions;
    }

    RightCommandTapMachine machine;
};

TEST_F(TapMachine, AQuickTapFiresOnceTheWaitForASecondTapRunsOut) {
    EXPECT_EQ(machine.handle(Event::modifierDown(10.0)), Actions{Action::armed()});
    EXPECT_EQ(machine.state, State(Armed{10.0}));
    EXPECT_EQ(machine.handle(Event::modifierUp(10.25)), Actions{Action::scheduleWait(0.25, 1)});
    EXPECT_EQ(machine.state, State(Pending{10.25, 0.25, 1}));
    EXPECT_EQ(machine.handle(Event::waitElapsed(1)), Actions{Action::fireSingle()});
    EXPECT_EQ(machine.state, State(Idle{}));
}

TEST_F(TapMachine, EveryWaitGetsTheNextGeneration) {
    tap(10.0, 10.125);
    machine.handle(Event::waitElapsed(1));
    EXPECT_EQ(tap(11.0, 11.125), (Actions{Action::armed(), Action::scheduleWait(0.25, 2)}));
    EXPECT_EQ(machine.generation, 2);
}

TEST_F(TapMachine, AHoldLongerThanTheLimitIsNoTap) {
    EXPECT_EQ(tap(10.0, 10.296875), (Actions{Action::armed(), Action::scheduleWait(0.25, 1)}));
    machine = {};
    EXPECT_EQ(tap(10.0, 10.3125), (Actions{Action::armed(), Action::cancel(Reason::holdTooLong)}));
    EXPECT_EQ(tap(20.0, 20.375), (Actions{Action::armed(), Action::cancel(Reason::holdTooLong)}));
    EXPECT_EQ(machine.state, State(Idle{}));
    EXPECT_EQ(machine.generation, 0);
}

TEST_F(TapMachine, APressTooSoonAfterTypingIsRefused) {
    machine.handle(Event::keyDown(9.875));
    EXPECT_EQ(machine.handle(Event::modifierDown(10.0)),
              Actions{Action::cancel(Reason::recentKeyDown)});
    EXPECT_EQ(machine.state, State(Idle{}));

    machine = {};
    machine.handle(Event::keyDown(9.75));
    EXPECT_EQ(machine.handle(Event::modifierDown(10.0)), Actions{Action::armed()});
}

TEST_F(TapMachine, KeysPressedWhileIdleAreRememberedSilently) {
    EXPECT_EQ(machine.handle(Event::keyDown(9.5)), Actions{});
    EXPECT_EQ(machine.lastKeyDownAt, 9.5);
    EXPECT_EQ(machine.handle(Event::hotkeyPing(9.625)), Actions{});
    EXPECT_EQ(machine.lastKeyDownAt, 9.625);
}

TEST_F(TapMachine, ASecondTapInsideTheWaitIsADoubleTap) {
    tap(10.0, 10.25);
    EXPECT_EQ(machine.handle(Event::modifierDown(10.5)), Actions{}); // exactly the wait
    EXPECT_EQ(machine.state, State(SecondTapDown{10.5}));
    EXPECT_EQ(machine.handle(Event::modifierUp(10.625)), Actions{Action::fireDouble()});
    EXPECT_EQ(machine.handle(Event::waitElapsed(1)), Actions{});
    EXPECT_EQ(machine.state, State(Idle{}));
}

TEST_F(TapMachine, ASecondTapHeldTooLongIsNeitherGesture) {
    tap(10.0, 10.25);
    machine.handle(Event::modifierDown(10.5));
    EXPECT_EQ(machine.handle(Event::modifierUp(10.8125)),
              Actions{Action::cancel(Reason::secondHoldTooLong)});
    EXPECT_EQ(machine.handle(Event::waitElapsed(1)), Actions{});
}

TEST_F(TapMachine, ASecondPressAfterTheWaitReportsTheFirstTapAndStartsAnother) {
    tap(10.0, 10.25);
    EXPECT_EQ(machine.handle(Event::modifierDown(10.5625)),
              (Actions{Action::fireSingle(), Action::armed()}));
    EXPECT_EQ(machine.state, State(Armed{10.5625}));
    EXPECT_EQ(machine.handle(Event::waitElapsed(1)), Actions{});
}

TEST_F(TapMachine, WithoutDoubleTapReplayTheWaitIsShortAndASecondPressEndsIt) {
    machine.doubleTapEnabled = false;
    EXPECT_EQ(tap(10.0, 10.25), (Actions{Action::armed(), Action::scheduleWait(0.1, 1)}));
    EXPECT_EQ(machine.state, State(Pending{10.25, 0.1, 1}));
    EXPECT_EQ(machine.handle(Event::modifierDown(10.3125)),
              (Actions{Action::fireSingle(), Action::armed()}));
}

TEST_F(TapMachine, AnythingElseBetweenPressAndReleaseCancelsTheTap) {
    const std::pair<Event, Reason> interruptions[] = {
        {Event::otherModifier(10.125), Reason::otherModifier},
        {Event::keyDown(10.125), Reason::keyDown},
        {Event::mouseActivity(10.125), Reason::mouseActivity},
        {Event::hotkeyPing(10.125), Reason::hotkeyPing},
        {Event::suppressed(10.125), Reason::suppressed},
    };
    for (const auto& [event, reason] : interruptions) {
        SCOPED_TRACE(rawValue(reason));
        machine = {};
        machine.handle(Event::modifierDown(10.0));
        EXPECT_EQ(machine.handle(event), Actions{Action::cancel(reason)});
        EXPECT_EQ(machine.handle(Event::modifierUp(10.25)), Actions{});
        EXPECT_EQ(machine.state, State(Idle{}));
    }
}

TEST_F(TapMachine, AnythingElseDuringTheWaitCancelsTheTap) {
    const std::pair<Event, Reason> interruptions[] = {
        {Event::otherModifier(10.375), Reason::otherModifier},
        {Event::keyDown(10.375), Reason::keyDown},
        {Event::mouseActivity(10.375), Reason::mouseActivity},
        {Event::hotkeyPing(10.375), Reason::hotkeyPing},
        {Event::suppressed(10.375), Reason::suppressed},
    };
    for (const auto& [event, reason] : interruptions) {
        SCOPED_TRACE(rawValue(reason));
        machine = {};
        tap(10.0, 10.25);
        EXPECT_EQ(machine.handle(event), Actions{Action::cancel(reason)});
        EXPECT_EQ(machine.handle(Event::waitElapsed(1)), Actions{});
    }
}

TEST_F(TapMachine, InterruptionsWhileIdleDoNothing) {
    for (const Event& event : {Event::otherModifier(1.0), Event::mouseActivity(1.0),
                               Event::suppressed(1.0), Event::modifierUp(1.0)}) {
        EXPECT_EQ(machine.handle(event), Actions{});
        EXPECT_EQ(machine.state, State(Idle{}));
    }
}

TEST_F(TapMachine, AStaleOrEarlyWaitChangesNothing) {
    machine.generation = 4;
    tap(10.0, 10.25);
    EXPECT_EQ(machine.handle(Event::waitElapsed(4)), Actions{});
    EXPECT_EQ(machine.state, State(Pending{10.25, 0.25, 5}));

    machine = {};
    machine.handle(Event::modifierDown(12.0));
    EXPECT_EQ(machine.handle(Event::waitElapsed(0)), Actions{});
    EXPECT_EQ(machine.state, State(Armed{12.0}));
}

TEST_F(TapMachine, ASwitchedOffTapArmsNothingAndEndsAPendingOneSilently) {
    machine.singleTapEnabled = false;
    EXPECT_EQ(machine.handle(Event::modifierDown(10.0)), Actions{});
    EXPECT_EQ(machine.state, State(Idle{}));

    machine.singleTapEnabled = true;
    tap(20.0, 20.25);
    machine.singleTapEnabled = false;
    EXPECT_EQ(machine.handle(Event::waitElapsed(1)), Actions{Action::cancel(Reason::disabled)});
}

} // namespace
