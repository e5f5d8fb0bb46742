#pragma once

// What the end-to-end tests of the hot keys share: another client of the X server and the
// shortcut storage they use. Include it after every other header: Xlib's macros (None, Bool)
// clash with theirs.
#include "KeyboardShortcuts/Storage.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <memory>

namespace TestSupport {

// Another client of the same X server: it types through XTest and grabs keys of its own.
class OtherClient {
public:
    OtherClient() : m_display(XOpenDisplay(nullptr)) {}
    ~OtherClient() {
        if (m_display)
            XCloseDisplay(m_display);
    }
    OtherClient(const OtherClient&) = delete;
    OtherClient& operator=(const OtherClient&) = delete;

    bool isConnected() const { return m_display; }

    void press(KeySym symbol) { fake(symbol, true); }
    void release(KeySym symbol) { fake(symbol, false); }

    void grab(KeySym symbol, unsigned modifiers) {
        XGrabKey(m_display, XKeysymToKeycode(m_display, symbol), modifiers,
                 DefaultRootWindow(m_display), False, GrabModeAsync, GrabModeAsync);
        XSync(m_display, False);
    }
    void ungrab(KeySym symbol, unsigned modifiers) {
        XUngrabKey(m_display, XKeysymToKeycode(m_display, symbol), modifiers,
                   DefaultRootWindow(m_display));
        XSync(m_display, False);
    }
    unsigned keyCode(KeySym symbol) const { return XKeysymToKeycode(m_display, symbol); }

    // Whether a client holds the whole keyboard now.
    bool keyboardIsGrabbed() {
        if (XGrabKeyboard(m_display, DefaultRootWindow(m_display), False, GrabModeAsync,
                          GrabModeAsync, CurrentTime) == AlreadyGrabbed)
            return true;
        XUngrabKeyboard(m_display, CurrentTime);
        XSync(m_display, False);
        return false;
    }

    // Sets the server's key-repeat delay and interval, in milliseconds.
    void setRepeatRate(unsigned delay, unsigned interval) {
        XkbSetAutoRepeatRate(m_display, XkbUseCoreKbd, delay, interval);
        XSync(m_display, False);
    }

private:
    void fake(KeySym symbol, bool isPress) {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, symbol), isPress, CurrentTime);
        XSync(m_display, False);
    }

    Display* m_display;
};

// Keeps the shortcuts in the given suite while it lives.
class StoreScope {
public:
    explicit StoreScope(std::shared_ptr<Base::UserDefaults> suite) {
        KeyboardShortcuts::setStore(std::move(suite));
    }
    ~StoreScope() { KeyboardShortcuts::setStore(nullptr); }
    StoreScope(const StoreScope&) = delete;
    StoreScope& operator=(const StoreScope&) = delete;
};

} // namespace TestSupport
