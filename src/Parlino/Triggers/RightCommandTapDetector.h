#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Triggers/RightCommandTapMachine.h"
#include "Parlino/Triggers/TapEventSource.h"
#include "Parlino/Triggers/TapModifier.h"

#include <functional>
#include <memory>

namespace Base {
class Clock;
}

namespace Parlino {

// Turns the events of a source into the single-tap and double-tap gestures of the watched
// right-side modifier key: it classifies each event for a RightCommandTapMachine, performs the
// machine's actions (wait timer, log lines, handler calls) and lets the application's own
// shortcuts and focus changes cancel a tap in progress. The source runs only while the tap is
// switched on: it hears every key typed anywhere, and each wakes the application. Main thread
// only.
class RightCommandTapDetector {
public:
    // Read afresh for every event, so a changed setting counts from the next event on.
    struct Settings {
        std::function<bool()> isEnabled;
        std::function<bool()> isDoubleTapReplayEnabled;
        std::function<bool()> isSuppressed; // while the settings surface has the focus
        std::function<TapModifier()> modifier;
    };

    RightCommandTapDetector(std::unique_ptr<TapEventSource> source, Settings settings,
                            Base::Scheduler& scheduler, const Base::Clock& clock);
    ~RightCommandTapDetector();
    RightCommandTapDetector(const RightCommandTapDetector&) = delete;
    RightCommandTapDetector& operator=(const RightCommandTapDetector&) = delete;

    std::function<void()> onSingleTap;
    std::function<void()> onDoubleTap;

    // Starts the source when the tap is switched on.
    void start();
    void handleRawEvent(const TapSourceEvent& event);

    // The tap was switched on or off: the source starts or stops with it once started.
    void noteEnabledChanged();

    // One of the application's keyboard shortcuts went down.
    void noteHotkeyPing();
    // Any application, this one included, became active.
    void noteApplicationActivated();
    // The settings surface became the window with the keyboard focus.
    void noteSettingsSurfaceBecameKey();

private:
    RightCommandTapMachine::Event classify(const TapSourceEvent& event) const;
    RightCommandTapMachine::Event classifyFlags(const TapSourceEvent& event) const;
    void feed(const RightCommandTapMachine::Event& event);
    void perform(const RightCommandTapMachine::Action& action);
    void scheduleWait(double seconds, qint64 generation);
    void listenWhileEnabled();

    std::unique_ptr<TapEventSource> m_source;
    Settings m_settings;
    Base::Scheduler& m_scheduler;
    const Base::Clock& m_clock;
    RightCommandTapMachine m_machine;
    Base::ScheduledTask m_waitTask;
    bool m_isStarted = false;
    bool m_isListening = false;
};

} // namespace Parlino
