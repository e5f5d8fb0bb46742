#pragma once

#include "KeyboardShortcuts/KeyboardLayout.h"

#include <memory>

struct xkb_keymap;
struct xcb_connection_t;

namespace KeyboardShortcuts {

// A layout of an XKB keymap, read through xkbcommon.
//
// Like the shortcuts' character lookups, it prefers a layout that types ASCII letters: the
// active layout when it does, else the first of the keymap that does; a keymap with none
// gives no layout.
class XkbKeyboardLayout final : public KeyboardLayout {
public:
    // The layout the X server's core keyboard uses now; none without the XKB extension. Ask
    // again when the user switches layouts.
    static std::shared_ptr<XkbKeyboardLayout> current(xcb_connection_t* connection);
    // A keymap compiled from the evdev rules, such as "us", "de" or "ru,us".
    static std::shared_ptr<XkbKeyboardLayout> fromNames(const char* layouts,
                                                        const char* variants = "");

    QString text(quint16 keyCode) const override;

private:
    using Keymap = std::unique_ptr<xkb_keymap, void (*)(xkb_keymap*)>;

    static std::shared_ptr<XkbKeyboardLayout> choose(Keymap keymap, quint32 activeLayout);
    XkbKeyboardLayout(Keymap keymap, quint32 layout);

    Keymap m_keymap;
    quint32 m_layout;
};

} // namespace KeyboardShortcuts
