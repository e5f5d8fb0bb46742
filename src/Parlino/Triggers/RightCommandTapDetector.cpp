#include "Parlino/Triggers/RightCommandTapDetector.h"

#include "Base/Clock.h"
#include "Base/Log.h"

namespace Parlino {

namespace {

const Base::Log log("tap");

using Event = RightCommandTapMachine::Event;
using Action = RightCommandTapMachine::Action;

// Shift, Control, Option, Command, numeric pad, help and function count; Caps Lock does not.
constexpr quint64 significantModifierBits = 0xFFFE0000;

} // namespace

RightCommandTapDetector::RightCommandTapDetector(std::unique_ptr<TapEventSource> source,
                                                 Settings settings, Base::Scheduler& scheduler,
                                                 const Base::Clock& clock)
    : m_source(std::move(source)), m_settings(std::move(settings)), m_scheduler(scheduler),
      m_clock(clock) {}

RightCommandTapDetector::~RightCommandTapDetector() {
    m_source->stop();
}

void RightCommandTapDetector::start() {
    m_isStarted = true;
    listenWhileEnabled();
}

void RightCommandTapDetector::noteEnabledChanged() {
    if (m_isStarted)
        listenWhileEnabled();
}

// A tap that was pending when the tap was switched off still ends, by its wait.
void RightCommandTapDetector::listenWhileEnabled() {
    const bool isEnabled = m_settings.isEnabled();
    if (isEnabled == m_isListening)
        return;
    if (isEnabled) {
        m_isListening =
            m_source->start([this](const TapSourceEvent& event) { handleRawEvent(event); });
    } else {
        m_source->stop();
        m_isListening = false;
    }
}

void RightCommandTapDetector::handleRawEvent(const TapSourceEvent& event) {
    feed(classify(event));
}

void RightCommandTapDetector::noteHotkeyPing() {
    feed(Event::hotkeyPing(m_clock.now()));
}

void RightCommandTapDetector::noteApplicationActivated() {
    handleRawEvent(TapSourceEvent::suppression(m_clock.now()));
}

void RightCommandTapDetector::noteSettingsSurfaceBecameKey() {
    handleRawEvent(TapSourceEvent::suppression(m_clock.now()));
}

Event RightCommandTapDetector::classify(const TapSourceEvent& event) const {
    switch (event.kind) {
    case TapSourceEvent::Kind::flagsChanged:
        return classifyFlags(event);
    case TapSourceEvent::Kind::keyDown:
        return Event::keyDown(event.at);
    case TapSourceEvent::Kind::mouseActivity:
        return Event::mouseActivity(event.at);
    case TapSourceEvent::Kind::suppression:
        break;
    }
    return Event::suppressed(event.at);
}

Event RightCommandTapDetector::classifyFlags(const TapSourceEvent& event) const {
    const TapModifierKeys watched = keys(m_settings.modifier());
    if (event.keyCode != watched.keyCode)
        return Event::otherModifier(event.at);
    if (!(event.rawFlags & watched.rightDeviceBit))
        return Event::modifierUp(event.at);
    const bool clean = (event.rawFlags & significantModifierBits) == watched.modifierBit &&
                       !(event.rawFlags & watched.leftDeviceBit);
    if (!clean)
        return Event::otherModifier(event.at);
    return m_settings.isSuppressed() ? Event::suppressed(event.at) : Event::modifierDown(event.at);
}

void RightCommandTapDetector::feed(const Event& event) {
    m_machine.singleTapEnabled = m_settings.isEnabled();
    m_machine.doubleTapEnabled = m_settings.isDoubleTapReplayEnabled();
    for (const Action& action : m_machine.handle(event))
        perform(action);
}

void RightCommandTapDetector::perform(const Action& action) {
    switch (action.kind) {
    case Action::Kind::scheduleWait:
        scheduleWait(action.seconds, action.generation);
        return;
    case Action::Kind::cancel:
        m_waitTask.cancel();
        log.notice("tap cancel reason=%{public}s", rawValue(action.reason));
        return;
    case Action::Kind::armed:
        log.notice("tap arm");
        return;
    case Action::Kind::fireSingle:
        m_waitTask.cancel();
        log.notice("tap fire-single");
        if (onSingleTap)
            onSingleTap();
        return;
    case Action::Kind::fireDouble:
        m_waitTask.cancel();
        log.notice("tap fire-double");
        if (onDoubleTap)
            onDoubleTap();
        return;
    }
}

void RightCommandTapDetector::scheduleWait(double seconds, qint64 generation) {
    // Destroying the task with the detector turns a late firing into nothing.
    m_waitTask =
        m_scheduler.after(seconds, [this, generation] { feed(Event::waitElapsed(generation)); });
}

} // namespace Parlino
