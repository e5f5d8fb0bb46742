#pragma once

namespace KeyboardShortcuts {

// Whether a shortcut's key went down or came up.
enum class EventType { keyDown, keyUp };

} // namespace KeyboardShortcuts
