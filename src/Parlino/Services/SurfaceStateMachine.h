#pragma once

#include <QString>

#include <optional>
#include <set>
#include <utility>

namespace Parlino {

// Where the floating surfaces under the top edge of the screen are.
class SurfaceState {
public:
    enum class Kind {
        panel, // down, showing a read or (isCard) a card
        hidden,
        idleBar,
        idleBarRetracting,
        idleBarReturning,
        bubble,
        bubbleRetracting,
        panelDropping,
        panelRetracting,
        bubbleReturning,
    };

    static SurfaceState panel(bool isCard) { return SurfaceState(Kind::panel, isCard); }
    static SurfaceState hidden() { return SurfaceState(Kind::hidden); }
    static SurfaceState idleBar() { return SurfaceState(Kind::idleBar); }
    static SurfaceState idleBarRetracting() { return SurfaceState(Kind::idleBarRetracting); }
    static SurfaceState idleBarReturning() { return SurfaceState(Kind::idleBarReturning); }
    static SurfaceState bubble() { return SurfaceState(Kind::bubble); }
    static SurfaceState bubbleRetracting() { return SurfaceState(Kind::bubbleRetracting); }
    static SurfaceState panelDropping() { return SurfaceState(Kind::panelDropping); }
    static SurfaceState panelRetracting() { return SurfaceState(Kind::panelRetracting); }
    static SurfaceState bubbleReturning() { return SurfaceState(Kind::bubbleReturning); }

    Kind kind() const { return m_kind; }
    bool isCard() const { return m_isCard; }
    // "idleBar", "panel(isCard: true)", … as transitions are logged.
    QString description() const;

    friend bool operator==(const SurfaceState&, const SurfaceState&) = default;

private:
    explicit SurfaceState(Kind kind, bool isCard = false) : m_kind(kind), m_isCard(isCard) {}

    Kind m_kind;
    bool m_isCard;
};

// What the panel controller is to do; each animated command has a finish event.
enum class SurfaceCommand {
    showBubble,
    retractBubble,
    dropPanel,
    retractPanel,
    returnBubble,
    hideAll,
    showIdleBar,
    retractIdleBar,
    returnIdleBar,
};

// What holds the panel open whatever the pointer does.
enum class PinSource { explicitToggle, menuOpen, onboarding };

class SurfaceEvent {
public:
    enum class Kind {
        pin,
        unpin,
        start,
        readBegan,
        cardNeeded,
        idleBarClicked,
        bubbleHovered,
        bubbleRetractFinished,
        panelDropFinished,
        mouseLeftPanel,
        mouseReturnedToPanel,
        panelRetractFinished,
        bubbleReturnFinished,
        idleBarRetractFinished,
        idleBarReturnFinished,
        hideAllFinished,
        readFinished,
        dismissAll,
        closePanel,
        sessionStarted,
        bubbleIdleTimeout,
        openRequested,
    };

    SurfaceEvent(Kind kind) : m_kind(kind) {}
    static SurfaceEvent pin(PinSource source) { return SurfaceEvent(Kind::pin, source); }
    static SurfaceEvent unpin(PinSource source) { return SurfaceEvent(Kind::unpin, source); }

    Kind kind() const { return m_kind; }
    // The source of a pin or unpin event.
    PinSource pinSource() const { return m_pinSource; }

    friend bool operator==(const SurfaceEvent&, const SurfaceEvent&) = default;

private:
    SurfaceEvent(Kind kind, PinSource source) : m_kind(kind), m_pinSource(source) {}

    Kind m_kind;
    PinSource m_pinSource = PinSource::explicitToggle;
};

// Decides how the idle bar, the bubble and the panel move between each other so that their
// animations neither overlap nor get lost. A plain value: the panel controller feeds it one
// event at a time, performs the command it returns and reports the end of each animation
// with the matching finish event. A finish event that arrives after another event moved the
// state on is ignored.
struct SurfaceStateMachine {
    enum class IdleBarRetractReason { readBegan, clicked, cardNeeded };

    SurfaceState state = SurfaceState::hidden();
    // The read finished while the panel was down or dropping: it returns to the idle bar.
    bool finishedWhilePanelOpen = false;
    // The pointer left (or a pin ended) during the drop: retract when the drop ends.
    bool pendingCollapseAfterDrop = false;
    // A card was asked for during the panel's retract: drop it as a card when that ends.
    bool pendingCardAfterRetract = false;
    // The bubble retracts because the read is over (or idle): the idle bar comes back after it.
    bool bubbleRetractingBecauseFinished = false;
    std::optional<IdleBarRetractReason> idleBarRetractReason;
    // The panel was opened from the idle bar by a click, without a read.
    bool panelHasNoActiveRead = false;
    std::set<PinSource> pinSources;
    bool mouseOutsidePanel = false;

    std::optional<SurfaceCommand> handle(SurfaceEvent event);

private:
    std::optional<SurfaceCommand> moveTo(SurfaceState next, std::optional<SurfaceCommand> command);
    std::optional<SurfaceCommand> retractIdleBar(IdleBarRetractReason reason);
    std::optional<SurfaceCommand> collapseCheck();
    std::optional<SurfaceCommand> dismissAll();
    std::optional<SurfaceCommand> bubbleRetractFinished();
    std::optional<SurfaceCommand> panelRetractFinished();
    std::optional<SurfaceCommand> idleBarRetractFinished();
    std::optional<SurfaceCommand> openRequested();
    void fullReset();
    bool isIn(SurfaceState::Kind kind) const { return state.kind() == kind; }
};

} // namespace Parlino
