#include "Parlino/Triggers/RightCommandTapMachine.h"

namespace Parlino {

using Action = RightCommandTapMachine::Action;
using CancelReason = RightCommandTapMachine::CancelReason;
using Kind = RightCommandTapMachine::Event::Kind;

RightCommandTapMachine::Actions RightCommandTapMachine::handle(const Event& event) {
    switch (event.kind) {
    case Kind::modifierDown:
        return modifierDown(event.at);
    case Kind::modifierUp:
        return modifierUp(event.at);
    case Kind::otherModifier:
        return interrupt(CancelReason::otherModifier);
    case Kind::keyDown:
        lastKeyDownAt = event.at;
        return interrupt(CancelReason::keyDown);
    case Kind::mouseActivity:
        return interrupt(CancelReason::mouseActivity);
    case Kind::hotkeyPing:
        lastKeyDownAt = event.at;
        return interrupt(CancelReason::hotkeyPing);
    case Kind::suppressed:
        return interrupt(CancelReason::suppressed);
    case Kind::waitElapsed:
        return waitElapsed(event.generation);
    }
    return {};
}

RightCommandTapMachine::Actions RightCommandTapMachine::modifierDown(double at) {
    if (!singleTapEnabled) {
        state = Idle{};
        return {};
    }
    // A press during the wait is the second tap; after it, the first tap is over and a new one
    // begins. The recent-key guard does not apply: the first press already passed it.
    if (const auto* pending = std::get_if<Pending>(&state)) {
        if (doubleTapEnabled && at - pending->releaseAt <= pending->wait) {
            state = SecondTapDown{at};
            return {};
        }
        state = Armed{at};
        return {Action::fireSingle(), Action::armed()};
    }
    if (lastKeyDownAt && at - *lastKeyDownAt < recentKeyGuard) {
        state = Idle{};
        return {Action::cancel(CancelReason::recentKeyDown)};
    }
    state = Armed{at};
    return {Action::armed()};
}

RightCommandTapMachine::Actions RightCommandTapMachine::modifierUp(double at) {
    if (const auto* armed = std::get_if<Armed>(&state)) {
        if (at - armed->downAt > holdLimit) {
            state = Idle{};
            return {Action::cancel(CancelReason::holdTooLong)};
        }
        ++generation;
        const double wait = doubleTapEnabled ? doubleTapWait : singleTapWait;
        state = Pending{at, wait, generation};
        return {Action::scheduleWait(wait, generation)};
    }
    if (const auto* second = std::get_if<SecondTapDown>(&state)) {
        const bool quick = at - second->downAt <= holdLimit;
        state = Idle{};
        return {quick ? Action::fireDouble() : Action::cancel(CancelReason::secondHoldTooLong)};
    }
    return {};
}

RightCommandTapMachine::Actions RightCommandTapMachine::interrupt(CancelReason reason) {
    if (std::holds_alternative<Idle>(state))
        return {};
    state = Idle{};
    return {Action::cancel(reason)};
}

RightCommandTapMachine::Actions RightCommandTapMachine::waitElapsed(qint64 elapsed) {
    const auto* pending = std::get_if<Pending>(&state);
    if (!pending || pending->generation != elapsed)
        return {};
    state = Idle{};
    return {singleTapEnabled ? Action::fireSingle() : Action::cancel(CancelReason::disabled)};
}

const char* rawValue(CancelReason reason) {
    switch (reason) {
    case CancelReason::recentKeyDown:
        return "recentKeyDown";
    case CancelReason::keyDown:
        return "keyDown";
    case CancelReason::otherModifier:
        return "otherModifier";
    case CancelReason::mouseActivity:
        return "mouseActivity";
    case CancelReason::hotkeyPing:
        return "hotkeyPing";
    case CancelReason::suppressed:
        return "suppressed";
    case CancelReason::holdTooLong:
        return "holdTooLong";
    case CancelReason::secondHoldTooLong:
        return "secondHoldTooLong";
    case CancelReason::disabled:
        return "disabled";
    }
    return "";
}

} // namespace Parlino
