#include "Parlino/Services/SurfaceStateMachine.h"

namespace Parlino {

namespace {

using State = SurfaceState::Kind;
using Event = SurfaceEvent::Kind;
using Command = SurfaceCommand;

} // namespace

QString SurfaceState::description() const {
    switch (m_kind) {
    case Kind::panel:
        return m_isCard ? QStringLiteral("panel(isCard: true)")
                        : QStringLiteral("panel(isCard: false)");
    case Kind::hidden:
        return QStringLiteral("hidden");
    case Kind::idleBar:
        return QStringLiteral("idleBar");
    case Kind::idleBarRetracting:
        return QStringLiteral("idleBarRetracting");
    case Kind::idleBarReturning:
        return QStringLiteral("idleBarReturning");
    case Kind::bubble:
        return QStringLiteral("bubble");
    case Kind::bubbleRetracting:
        return QStringLiteral("bubbleRetracting");
    case Kind::panelDropping:
        return QStringLiteral("panelDropping");
    case Kind::panelRetracting:
        return QStringLiteral("panelRetracting");
    case Kind::bubbleReturning:
        return QStringLiteral("bubbleReturning");
    }
    return {};
}

std::optional<SurfaceCommand> SurfaceStateMachine::handle(SurfaceEvent event) {
    switch (event.kind()) {
    case Event::pin:
        pinSources.insert(event.pinSource());
        return std::nullopt;
    case Event::unpin:
        pinSources.erase(event.pinSource());
        return mouseOutsidePanel ? collapseCheck() : std::nullopt;
    case Event::start:
        return isIn(State::hidden) ? moveTo(SurfaceState::idleBar(), Command::showIdleBar)
                                   : std::nullopt;
    case Event::readBegan:
        if (isIn(State::idleBar))
            return retractIdleBar(IdleBarRetractReason::readBegan);
        fullReset();
        return moveTo(SurfaceState::bubble(), Command::showBubble);
    case Event::cardNeeded:
        if (isIn(State::panelRetracting)) {
            pendingCardAfterRetract = true;
            return std::nullopt;
        }
        if (isIn(State::idleBar))
            return retractIdleBar(IdleBarRetractReason::cardNeeded);
        fullReset();
        return moveTo(SurfaceState::panel(true), Command::dropPanel);
    case Event::idleBarClicked:
        if (isIn(State::idleBar) || isIn(State::idleBarReturning))
            return retractIdleBar(IdleBarRetractReason::clicked);
        return std::nullopt;
    case Event::bubbleHovered:
        if (isIn(State::bubble))
            return moveTo(SurfaceState::bubbleRetracting(), Command::retractBubble);
        if (isIn(State::panelDropping))
            pendingCollapseAfterDrop = false;
        return std::nullopt;
    case Event::bubbleRetractFinished:
        return bubbleRetractFinished();
    case Event::panelDropFinished:
        if (!isIn(State::panelDropping))
            return std::nullopt;
        if (std::exchange(pendingCollapseAfterDrop, false))
            return moveTo(SurfaceState::panelRetracting(), Command::retractPanel);
        return moveTo(SurfaceState::panel(false), std::nullopt);
    case Event::mouseLeftPanel:
        mouseOutsidePanel = true;
        return collapseCheck();
    case Event::mouseReturnedToPanel:
        mouseOutsidePanel = false;
        return std::nullopt;
    case Event::panelRetractFinished:
        return panelRetractFinished();
    case Event::bubbleReturnFinished:
        return isIn(State::bubbleReturning) ? moveTo(SurfaceState::bubble(), std::nullopt)
                                            : std::nullopt;
    case Event::idleBarRetractFinished:
        return idleBarRetractFinished();
    case Event::idleBarReturnFinished:
        return isIn(State::idleBarReturning) ? moveTo(SurfaceState::idleBar(), std::nullopt)
                                             : std::nullopt;
    case Event::hideAllFinished:
        return isIn(State::idleBarReturning) ? std::optional(Command::returnIdleBar) : std::nullopt;
    case Event::readFinished:
        if (isIn(State::bubble)) {
            bubbleRetractingBecauseFinished = true;
            return moveTo(SurfaceState::bubbleRetracting(), Command::retractBubble);
        }
        if (isIn(State::bubbleRetracting) || isIn(State::panelDropping) ||
            state == SurfaceState::panel(false))
            finishedWhilePanelOpen = true;
        return std::nullopt;
    case Event::dismissAll:
        return dismissAll();
    case Event::closePanel:
        if (state != SurfaceState::panel(false))
            return dismissAll();
        pinSources.clear();
        mouseOutsidePanel = false;
        return moveTo(SurfaceState::panelRetracting(), Command::retractPanel);
    case Event::sessionStarted:
        finishedWhilePanelOpen = false;
        panelHasNoActiveRead = false;
        return std::nullopt;
    case Event::bubbleIdleTimeout:
        if (!isIn(State::bubble))
            return std::nullopt;
        bubbleRetractingBecauseFinished = true;
        return moveTo(SurfaceState::bubbleRetracting(), Command::retractBubble);
    case Event::openRequested:
        return openRequested();
    }
    return std::nullopt;
}

std::optional<SurfaceCommand> SurfaceStateMachine::moveTo(SurfaceState next,
                                                          std::optional<SurfaceCommand> command) {
    state = next;
    return command;
}

std::optional<SurfaceCommand> SurfaceStateMachine::retractIdleBar(IdleBarRetractReason reason) {
    fullReset();
    idleBarRetractReason = reason;
    return moveTo(SurfaceState::idleBarRetracting(), Command::retractIdleBar);
}

// A pinned panel stays; a collapse during the drop waits for its end; a card never collapses.
std::optional<SurfaceCommand> SurfaceStateMachine::collapseCheck() {
    if (!pinSources.empty())
        return std::nullopt;
    if (isIn(State::panelDropping)) {
        pendingCollapseAfterDrop = true;
        return std::nullopt;
    }
    if (state == SurfaceState::panel(false))
        return moveTo(SurfaceState::panelRetracting(), Command::retractPanel);
    return std::nullopt;
}

std::optional<SurfaceCommand> SurfaceStateMachine::dismissAll() {
    fullReset();
    if (isIn(State::hidden) || isIn(State::idleBar))
        return std::nullopt;
    return moveTo(SurfaceState::idleBarReturning(), Command::hideAll);
}

std::optional<SurfaceCommand> SurfaceStateMachine::bubbleRetractFinished() {
    if (!isIn(State::bubbleRetracting))
        return std::nullopt;
    if (std::exchange(bubbleRetractingBecauseFinished, false))
        return moveTo(SurfaceState::idleBarReturning(), Command::returnIdleBar);
    return moveTo(SurfaceState::panelDropping(), Command::dropPanel);
}

std::optional<SurfaceCommand> SurfaceStateMachine::panelRetractFinished() {
    if (!isIn(State::panelRetracting))
        return std::nullopt;
    if (pendingCardAfterRetract) {
        fullReset();
        return moveTo(SurfaceState::panel(true), Command::dropPanel);
    }
    if (!finishedWhilePanelOpen && !panelHasNoActiveRead)
        return moveTo(SurfaceState::bubbleReturning(), Command::returnBubble);
    finishedWhilePanelOpen = false;
    panelHasNoActiveRead = false;
    return moveTo(SurfaceState::idleBarReturning(), Command::returnIdleBar);
}

std::optional<SurfaceCommand> SurfaceStateMachine::idleBarRetractFinished() {
    if (!isIn(State::idleBarRetracting) || !idleBarRetractReason)
        return std::nullopt;
    switch (*std::exchange(idleBarRetractReason, std::nullopt)) {
    case IdleBarRetractReason::readBegan:
        return moveTo(SurfaceState::bubble(), Command::showBubble);
    case IdleBarRetractReason::clicked:
        panelHasNoActiveRead = true;
        return moveTo(SurfaceState::panelDropping(), Command::dropPanel);
    case IdleBarRetractReason::cardNeeded:
        return moveTo(SurfaceState::panel(true), Command::dropPanel);
    }
    return std::nullopt;
}

// The user asked for the panel. Whatever the surfaces are doing, they turn towards it: a surface
// on its way back goes again, a bubble retracting because its read is over drops the panel as a
// hovered one does, a panel going up comes down again, a read about to show its bubble shows the
// panel instead; where the panel is on its way already, it keeps it. The open holds the panel with
// the menu's pin. Before the start and with the panel down there is nothing to open.
std::optional<SurfaceCommand> SurfaceStateMachine::openRequested() {
    std::optional<SurfaceCommand> command;
    switch (state.kind()) {
    case State::hidden:
    case State::panel:
        return std::nullopt;
    case State::idleBar:
    case State::idleBarReturning:
        command = retractIdleBar(IdleBarRetractReason::clicked);
        break;
    case State::idleBarRetracting:
        if (idleBarRetractReason == IdleBarRetractReason::readBegan) {
            idleBarRetractReason.reset();
            command = moveTo(SurfaceState::panelDropping(), Command::dropPanel);
        }
        break;
    case State::bubble:
    case State::bubbleReturning:
        command = moveTo(SurfaceState::bubbleRetracting(), Command::retractBubble);
        break;
    case State::bubbleRetracting:
        if (std::exchange(bubbleRetractingBecauseFinished, false))
            finishedWhilePanelOpen = true;
        break;
    case State::panelDropping:
        pendingCollapseAfterDrop = false;
        break;
    case State::panelRetracting:
        if (!pendingCardAfterRetract)
            command = moveTo(SurfaceState::panelDropping(), Command::dropPanel);
        break;
    }
    pinSources.insert(PinSource::menuOpen);
    return command;
}

void SurfaceStateMachine::fullReset() {
    finishedWhilePanelOpen = false;
    pendingCollapseAfterDrop = false;
    pendingCardAfterRetract = false;
    bubbleRetractingBecauseFinished = false;
    panelHasNoActiveRead = false;
    idleBarRetractReason.reset();
    pinSources.clear();
    mouseOutsidePanel = false;
}

} // namespace Parlino
