#include "Capture/Linux/SystemKeyPoster.h"

#include "Base/Log.h"
#include "Capture/Linux/Terminals.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

namespace Capture {

namespace {

const Base::Log logger("focus-diag");

// X key code of the left Control key of a PC keyboard, for a keymap without Control_L.
constexpr KeyCode physicalControlKeyCode = 37;

bool hasXTest(X11Connection& x11) {
    return x11.withDisplay([](Display* display) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        return XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor) == True;
    });
}

template <class T, void (*unref)(T*)> struct XkbRef {
    T* object;
    ~XkbRef() {
        if (object)
            unref(object);
    }
};

} // namespace

std::unique_ptr<SystemKeyPoster> SystemKeyPoster::open() {
    auto x11 = X11Connection::open();
    if (!x11)
        return nullptr;
    xcb_connection_t* xcb = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(xcb)) {
        xcb_disconnect(xcb);
        return nullptr;
    }
    return std::unique_ptr<SystemKeyPoster>(new SystemKeyPoster(std::move(x11), xcb));
}

SystemKeyPoster::SystemKeyPoster(std::unique_ptr<X11Connection> x11, xcb_connection_t* xcb)
    : m_x11(std::move(x11)), m_xcb(xcb), m_canSynthesise(hasXTest(*m_x11)) {}

SystemKeyPoster::~SystemKeyPoster() {
    xcb_disconnect(m_xcb);
}

bool SystemKeyPoster::modifiersReleased() {
    return m_x11->withDisplay([](Display* display) {
        XkbStateRec state{};
        if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
            return true;
        const unsigned held = state.base_mods | state.latched_mods;
        return (held & (ShiftMask | ControlMask | Mod1Mask | Mod4Mask)) == 0;
    });
}

bool SystemKeyPoster::refusesCopy() {
    return !frontmostTakesCopy();
}

bool SystemKeyPoster::postCopy() {
    if (!frontmostTakesCopy())
        return false;
    const KeyCode key = static_cast<KeyCode>(copyKeyCode());
    logger.notice("synthetic Cmd-C posted (clipboard capture path)");
    if (!m_canSynthesise)
        return false;
    return m_x11->withDisplay([key](Display* display) {
        KeyCode control = XKeysymToKeycode(display, XK_Control_L);
        if (control == 0)
            control = physicalControlKeyCode;
        XTestFakeKeyEvent(display, control, True, CurrentTime);
        XTestFakeKeyEvent(display, key, True, CurrentTime);
        XTestFakeKeyEvent(display, key, False, CurrentTime);
        XTestFakeKeyEvent(display, control, False, CurrentTime);
        XSync(display, False);
        return true;
    });
}

bool SystemKeyPoster::frontmostTakesCopy() {
    const auto window = m_x11->activeWindow();
    if (!window) {
        // The keys would go to whatever holds the input focus, perhaps a terminal.
        logger.notice("synthetic copy refused: no active window");
        return false;
    }
    const auto windowClass = m_x11->windowClass(*window);
    if (!windowClass) {
        // A window manager may name a window that has gone as active until another one is.
        logger.notice("synthetic copy refused: the active window is unknown");
        return false;
    }
    if (!Terminals::isTerminal(*windowClass))
        return true;
    logger.notice("synthetic copy refused: front-most window is a terminal (%s)",
                  windowClass->className);
    return false;
}

quint32 SystemKeyPoster::copyKeyCode() {
    XkbRef<xkb_context, xkb_context_unref> context{xkb_context_new(XKB_CONTEXT_NO_FLAGS)};
    if (!context.object || !xkb_x11_setup_xkb_extension(m_xcb, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                                        XKB_X11_MIN_MINOR_XKB_VERSION,
                                                        XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS,
                                                        nullptr, nullptr, nullptr, nullptr))
        return physicalCKeyCode;
    const int32_t device = xkb_x11_get_core_keyboard_device_id(m_xcb);
    XkbRef<xkb_keymap, xkb_keymap_unref> keymap{
        device < 0 ? nullptr
                   : xkb_x11_keymap_new_from_device(context.object, m_xcb, device,
                                                    XKB_KEYMAP_COMPILE_NO_FLAGS)};
    if (!keymap.object)
        return physicalCKeyCode;
    XkbRef<xkb_state, xkb_state_unref> state{
        xkb_x11_state_new_from_device(keymap.object, m_xcb, device)};
    const quint32 layout =
        state.object ? xkb_state_serialize_layout(state.object, XKB_STATE_LAYOUT_EFFECTIVE) : 0;
    return keyCode(U'c', keymap.object, layout).value_or(physicalCKeyCode);
}

std::optional<quint32> SystemKeyPoster::keyCode(char32_t character, xkb_keymap* keymap,
                                                quint32 layout) {
    const xkb_keycode_t last = xkb_keymap_max_keycode(keymap);
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= last; ++key) {
        const xkb_keysym_t* symbols = nullptr;
        const int count = xkb_keymap_key_get_syms_by_level(keymap, key, layout, 0, &symbols);
        if (count == 1 && xkb_keysym_to_utf32(symbols[0]) == character)
            return key;
    }
    return std::nullopt;
}

} // namespace Capture
