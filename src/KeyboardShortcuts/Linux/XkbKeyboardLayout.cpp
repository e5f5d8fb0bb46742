#include "KeyboardShortcuts/Linux/XkbKeyboardLayout.h"

#include "KeyboardShortcuts/Key.h"
#include "KeyboardShortcuts/Linux/XKeyCodes.h"
#include "KeyboardShortcuts/Utilities.h"

#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace KeyboardShortcuts {

namespace {

using Context = std::unique_ptr<xkb_context, void (*)(xkb_context*)>;
using State = std::unique_ptr<xkb_state, void (*)(xkb_state*)>;

Context newContext() {
    return Context(xkb_context_new(XKB_CONTEXT_NO_FLAGS), xkb_context_unref);
}

// The character the key types in the layout with no modifier held; 0 for none.
quint32 level0CodePoint(xkb_keymap* keymap, Key key, quint32 layout) {
    const auto xKeyCode = XKeyCodes::fromVirtual(key.rawValue);
    if (!xKeyCode)
        return 0;
    const xkb_keysym_t* symbols = nullptr;
    const int count = xkb_keymap_key_get_syms_by_level(keymap, *xKeyCode, layout, 0, &symbols);
    return count == 1 ? xkb_keysym_to_utf32(symbols[0]) : 0;
}

bool isAsciiLetter(quint32 codePoint) {
    return (codePoint >= 'a' && codePoint <= 'z') || (codePoint >= 'A' && codePoint <= 'Z');
}

} // namespace

std::shared_ptr<XkbKeyboardLayout> XkbKeyboardLayout::current(xcb_connection_t* connection) {
    if (!connection || !xkb_x11_setup_xkb_extension(connection, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                                    XKB_X11_MIN_MINOR_XKB_VERSION,
                                                    XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr,
                                                    nullptr, nullptr, nullptr))
        return nullptr;
    const qint32 device = xkb_x11_get_core_keyboard_device_id(connection);
    const auto context = newContext();
    if (device < 0 || !context)
        return nullptr;
    Keymap keymap(xkb_x11_keymap_new_from_device(context.get(), connection, device,
                                                 XKB_KEYMAP_COMPILE_NO_FLAGS),
                  xkb_keymap_unref);
    if (!keymap)
        return nullptr;
    const State state(xkb_x11_state_new_from_device(keymap.get(), connection, device),
                      xkb_state_unref);
    const quint32 active =
        state ? xkb_state_serialize_layout(state.get(), XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    return choose(std::move(keymap), active);
}

std::shared_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromNames(const char* layouts,
                                                                const char* variants) {
    const auto context = newContext();
    if (!context)
        return nullptr;
    const xkb_rule_names names{"evdev", "pc105", layouts, variants, nullptr};
    Keymap keymap(xkb_keymap_new_from_names(context.get(), &names, XKB_KEYMAP_COMPILE_NO_FLAGS),
                  xkb_keymap_unref);
    if (!keymap)
        return nullptr;
    return choose(std::move(keymap), 0);
}

std::shared_ptr<XkbKeyboardLayout> XkbKeyboardLayout::choose(Keymap keymap, quint32 activeLayout) {
    const quint32 count = xkb_keymap_num_layouts(keymap.get());
    const auto typesAscii = [&](quint32 layout) {
        return layout < count && isAsciiLetter(level0CodePoint(keymap.get(), Key::a, layout));
    };
    std::optional<quint32> chosen;
    if (typesAscii(activeLayout))
        chosen = activeLayout;
    for (quint32 layout = 0; !chosen && layout < count; ++layout)
        if (typesAscii(layout))
            chosen = layout;
    if (!chosen)
        return nullptr;
    return std::shared_ptr<XkbKeyboardLayout>(new XkbKeyboardLayout(std::move(keymap), *chosen));
}

XkbKeyboardLayout::XkbKeyboardLayout(Keymap keymap, quint32 layout)
    : m_keymap(std::move(keymap)), m_layout(layout) {}

QString XkbKeyboardLayout::text(quint16 keyCode) const {
    const quint32 codePoint = level0CodePoint(m_keymap.get(), Key(keyCode), m_layout);
    if (codePoint == 0)
        return {};
    return characterFromCodePoint(codePoint).value_or(QString());
}

} // namespace KeyboardShortcuts
