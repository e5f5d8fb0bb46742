#pragma once

namespace Capture {

// The synthetic keyboard input of the clipboard capture. Called from capture worker threads.
class KeyEventPosting {
public:
    virtual ~KeyEventPosting() = default;

    // None of Shift, Control, Alt (Option) and Super (Command) is held.
    virtual bool modifiersReleased() = 0;
    // No copy keystroke may be sent now: the front-most application is a terminal, where it would
    // interrupt the running program instead of copying, or no window is active to receive it.
    virtual bool refusesCopy() = 0;
    // Sends one synthetic copy keystroke to the front-most application; false when none was sent
    // (no way to synthesise keys, or an application that must not get one).
    virtual bool postCopy() = 0;
};

} // namespace Capture
