#pragma once

#include <QList>
#include <QtGlobal>

#include <optional>
#include <variant>

namespace Parlino {

// Decides, from timestamped input events, whether the user made a lone tap of the watched
// modifier key (a single tap), two quick taps (a double tap), or neither because the press was
// part of a combination, a long press, a mouse action or a shortcut. It does no input, output,
// timing or logging: each event returns the actions its owner performs. Times are seconds of
// system uptime.
struct RightCommandTapMachine {
    static constexpr double holdLimit = 0.3;
    static constexpr double recentKeyGuard = 0.2;
    static constexpr double doubleTapWait = 0.25;
    static constexpr double singleTapWait = 0.1;

    // The watched key went down cleanly and is held.
    struct Armed {
        double downAt = 0;
        friend bool operator==(const Armed&, const Armed&) = default;
    };
    // A clean tap ended; waiting `wait` seconds for a second tap.
    struct Pending {
        double releaseAt = 0;
        double wait = 0;
        qint64 generation = 0; // identifies the scheduled wait
        friend bool operator==(const Pending&, const Pending&) = default;
    };
    // The key went down again inside the wait.
    struct SecondTapDown {
        double downAt = 0;
        friend bool operator==(const SecondTapDown&, const SecondTapDown&) = default;
    };
    // No gesture in progress.
    struct Idle {
        friend bool operator==(const Idle&, const Idle&) = default;
    };
    using State = std::variant<Armed, Pending, SecondTapDown, Idle>;

    enum class CancelReason {
        recentKeyDown,
        keyDown,
        otherModifier,
        mouseActivity,
        hotkeyPing,
        suppressed,
        holdTooLong,
        secondHoldTooLong,
        disabled,
    };

    struct Event {
        enum class Kind {
            modifierDown,  // the watched key went down cleanly and the tap is not suppressed
            modifierUp,    // the watched key went up
            otherModifier, // any other modifier change, or the watched key with anything else
            keyDown,       // an ordinary key went down
            mouseActivity, // a mouse button went down or the wheel moved
            hotkeyPing,    // one of the application's shortcuts fired
            suppressed,    // a clean press while suppressed, or the focus was taken
            waitElapsed,   // the wait armed with `generation` ran out
        };
        Kind kind = Kind::modifierDown;
        double at = 0;
        qint64 generation = 0;

        static Event modifierDown(double at) { return {Kind::modifierDown, at}; }
        static Event modifierUp(double at) { return {Kind::modifierUp, at}; }
        static Event otherModifier(double at) { return {Kind::otherModifier, at}; }
        static Event keyDown(double at) { return {Kind::keyDown, at}; }
        static Event mouseActivity(double at) { return {Kind::mouseActivity, at}; }
        static Event hotkeyPing(double at) { return {Kind::hotkeyPing, at}; }
        static Event suppressed(double at) { return {Kind::suppressed, at}; }
        static Event waitElapsed(qint64 generation) { return {Kind::waitElapsed, 0, generation}; }
    };

    struct Action {
        enum class Kind {
            scheduleWait, // arm a one-shot timer that hands back waitElapsed(generation)
            cancel,       // drop the wait timer, log the reason
            armed,        // log that a tap is armed
            fireSingle,   // drop the wait timer, report a single tap
            fireDouble,   // drop the wait timer, report a double tap
        };
        Kind kind = Kind::armed;
        double seconds = 0;
        qint64 generation = 0;
        CancelReason reason = CancelReason::recentKeyDown;

        static Action scheduleWait(double seconds, qint64 generation) {
            return {Kind::scheduleWait, seconds, generation};
        }
        static Action cancel(CancelReason reason) { return {Kind::cancel, 0, 0, reason}; }
        static Action armed() { return {Kind::armed}; }
        static Action fireSingle() { return {Kind::fireSingle}; }
        static Action fireDouble() { return {Kind::fireDouble}; }
        friend bool operator==(const Action&, const Action&) = default;
    };
    using Actions = QList<Action>;

    bool singleTapEnabled = true; // refreshed by the owner before every event
    bool doubleTapEnabled = true; // refreshed by the owner before every event
    State state = Idle{};
    std::optional<double> lastKeyDownAt; // the last ordinary key press or shortcut press
    qint64 generation = 0;               // of the latest scheduled wait; never reset

    Actions handle(const Event& event);

private:
    Actions modifierDown(double at);
    Actions modifierUp(double at);
    Actions interrupt(CancelReason reason);
    Actions waitElapsed(qint64 generation);
};

// The name written into log lines: the case's name.
const char* rawValue(RightCommandTapMachine::CancelReason reason);

} // namespace Parlino
