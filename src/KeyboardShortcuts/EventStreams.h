#pragma once

#include "Base/AsyncStream.h"
#include "Base/Scheduler.h"
#include "KeyboardShortcuts/EventType.h"
#include "KeyboardShortcuts/Name.h"
#include "KeyboardShortcuts/Shortcut.h"

#include <variant>

// The presses and releases of a shortcut as streams. A stream keeps the shortcut's hot key
// registered while it lives; cancelling or dropping it lets the hot key go on a later turn of
// the event loop, unless something else needs it. Main thread.
namespace KeyboardShortcuts {

class ShortcutRegistry;

using EventStream = Base::AsyncStream<EventType, std::monostate>;
// One element for each key-down, real or repeated.
using KeyRepeatStream = Base::AsyncStream<std::monostate, std::monostate>;

// Every key-down and key-up of the name's stored shortcut.
EventStream events(ShortcutRegistry& registry, const Name& name);
// Every key-down and key-up of the combination, whichever names use it, even disabled ones.
EventStream events(ShortcutRegistry& registry, const Shortcut& shortcut);
// The same, keeping only the events of one type.
EventStream events(ShortcutRegistry& registry, EventType type, const Name& name);
EventStream events(ShortcutRegistry& registry, EventType type, const Shortcut& shortcut);

// One element when the name's shortcut goes down, another after the desktop's key-repeat
// delay and then one every key-repeat interval while it is held. Releasing it, changing the
// name's stored shortcut, disabling the name, pausing or switching off the module, or losing
// the hot key stops the repetition.
KeyRepeatStream repeatingKeyDownEvents(ShortcutRegistry& registry, Base::Scheduler& scheduler,
                                       const Name& name);
// The same for a fixed combination, which repeats while the module is on, not paused, and
// holds the hot key.
KeyRepeatStream repeatingKeyDownEvents(ShortcutRegistry& registry, Base::Scheduler& scheduler,
                                       const Shortcut& shortcut);

} // namespace KeyboardShortcuts
