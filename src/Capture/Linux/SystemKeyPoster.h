#pragma once

#include "Capture/KeyEventPosting.h"
#include "Capture/Linux/X11Connection.h"

#include <memory>
#include <optional>

struct xkb_keymap;
struct xcb_connection_t;

namespace Capture {

// Synthesises the copy keystroke through XTest: Control with the key that types "c" in the
// current keyboard layout. Never into a terminal emulator, where Control+C interrupts the user's
// running program instead of copying, and never without an active window, when the keys would go
// to whatever holds the input focus.
class SystemKeyPoster final : public KeyEventPosting {
public:
    // X key code of the C key of a PC keyboard, used when no key of the layout types "c".
    static constexpr quint32 physicalCKeyCode = 54;

    // Nothing when no X display can be opened.
    static std::unique_ptr<SystemKeyPoster> open();
    ~SystemKeyPoster() override;

    // The X server takes synthetic key events (XTest).
    bool canSynthesise() const { return m_canSynthesise; }

    bool modifiersReleased() override;
    bool refusesCopy() override;
    bool postCopy() override;

    // The key code that types `character` on the first level of `layout`, lowest code first.
    static std::optional<quint32> keyCode(char32_t character, xkb_keymap* keymap, quint32 layout);

private:
    SystemKeyPoster(std::unique_ptr<X11Connection> x11, xcb_connection_t* xcb);

    // There is an active window, it is known and it is no terminal's.
    bool frontmostTakesCopy();
    // Looked up afresh for every copy: the user may have switched layouts.
    quint32 copyKeyCode();

    const std::unique_ptr<X11Connection> m_x11;
    xcb_connection_t* const m_xcb; // for the keyboard layout; xcb is thread-safe
    const bool m_canSynthesise;
};

} // namespace Capture
