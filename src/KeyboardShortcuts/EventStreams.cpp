#include "KeyboardShortcuts/EventStreams.h"

#include "KeyboardShortcuts/ShortcutRegistry.h"
#include "KeyboardShortcuts/Storage.h"

#include <QPointer>

#include <memory>
#include <optional>

namespace KeyboardShortcuts {

namespace {

// Puts the sinks into the registry for the stream's life.
template <class Target, class Continuation>
void attach(ShortcutRegistry& registry, const Target& target, Continuation& continuation,
            ShortcutRegistry::StreamSinks sinks) {
    const quint64 id = registry.addStream(target, std::move(sinks));
    continuation.onCancel([registry = QPointer(&registry), target, id] {
        if (registry)
            registry->removeStreamLater(target, id);
    });
}

template <class Target>
EventStream makeEvents(ShortcutRegistry& registry, const Target& target,
                       std::optional<EventType> only) {
    auto [stream, continuation] = EventStream::make();
    const auto sink = [continuation, only](EventType type) {
        return [continuation, only, type]() mutable {
            if (!only || *only == type)
                continuation.yield(type);
        };
    };
    attach(registry, target, continuation, {sink(EventType::keyDown), sink(EventType::keyUp)});
    return std::move(stream);
}

// Yields at a key-down, then again after the repeat delay and every interval after that,
// as long as the continue test holds.
class RepeatEngine : public std::enable_shared_from_this<RepeatEngine> {
public:
    RepeatEngine(KeyRepeatStream::Continuation output, Base::Scheduler& scheduler,
                 KeyRepeatTiming timing, std::function<bool()> shouldContinue)
        : m_output(std::move(output)), m_scheduler(scheduler), m_timing(timing),
          m_shouldContinue(std::move(shouldContinue)) {}

    void keyDown() {
        m_output.yield({});
        arm(m_timing.delay);
    }
    void keyUp() { m_repeat.cancel(); }

private:
    void arm(double seconds) {
        m_repeat = m_scheduler.after(seconds, [weak = weak_from_this()] {
            if (const auto self = weak.lock())
                self->repeat();
        });
    }
    void repeat() {
        if (!m_shouldContinue())
            return;
        m_output.yield({});
        arm(m_timing.interval);
    }

    KeyRepeatStream::Continuation m_output;
    Base::Scheduler& m_scheduler;
    KeyRepeatTiming m_timing;
    std::function<bool()> m_shouldContinue;
    Base::ScheduledTask m_repeat;
};

template <class Target>
KeyRepeatStream makeRepeating(ShortcutRegistry& registry, Base::Scheduler& scheduler,
                              const Target& target, std::function<void()> onKeyDown,
                              std::function<bool()> shouldContinue) {
    auto [stream, continuation] = KeyRepeatStream::make();
    const auto engine = std::make_shared<RepeatEngine>(continuation, scheduler,
                                                       registry.center().system().keyRepeatTiming(),
                                                       std::move(shouldContinue));
    attach(registry, target, continuation,
           {[engine, onKeyDown] {
                onKeyDown();
                engine->keyDown();
            },
            [engine] { engine->keyUp(); }});
    return std::move(stream);
}

} // namespace

EventStream events(ShortcutRegistry& registry, const Name& name) {
    return makeEvents(registry, name, std::nullopt);
}

EventStream events(ShortcutRegistry& registry, const Shortcut& shortcut) {
    return makeEvents(registry, shortcut, std::nullopt);
}

EventStream events(ShortcutRegistry& registry, EventType type, const Name& name) {
    return makeEvents(registry, name, type);
}

EventStream events(ShortcutRegistry& registry, EventType type, const Shortcut& shortcut) {
    return makeEvents(registry, shortcut, type);
}

KeyRepeatStream repeatingKeyDownEvents(ShortcutRegistry& registry, Base::Scheduler& scheduler,
                                       const Name& name) {
    // The name's stored shortcut at the last key-down.
    const auto held = std::make_shared<std::optional<Shortcut>>();
    const QPointer<ShortcutRegistry> guarded(&registry);
    return makeRepeating(
        registry, scheduler, name, [held, name] { *held = getShortcut(name); },
        [guarded, held, name] {
            const auto stored = getShortcut(name);
            return guarded && !guarded->isPaused() && guarded->isEnabled() &&
                   guarded->hasLiveHandlers(name) && stored && guarded->hasHotKey(*stored) &&
                   *held == stored;
        });
}

KeyRepeatStream repeatingKeyDownEvents(ShortcutRegistry& registry, Base::Scheduler& scheduler,
                                       const Shortcut& shortcut) {
    const QPointer<ShortcutRegistry> guarded(&registry);
    return makeRepeating(
        registry, scheduler, shortcut, [] {},
        [guarded, shortcut] {
            return guarded && !guarded->isPaused() && guarded->isEnabled() &&
                   guarded->hasHotKey(shortcut);
        });
}

} // namespace KeyboardShortcuts
