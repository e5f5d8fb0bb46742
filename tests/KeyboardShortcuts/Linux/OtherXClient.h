#pragma once

// What the end-to-end tests of the hot keys share: another client of the X server and the
// shortcut storage they use. Include it after every other header: Xlib's macros (None, Bool)
// clash with theirs.
#include "KeyboardShortcuts/Storage.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <QList>

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
    Display* display() const { return m_display; }

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

    // A top-level window with the keyboard focus on a child of it, as GTK makes its windows, or on
    // the top-level window itself, as Qt does; the window manager leaves it alone. Both windows
    // report their focus events and the keys pressed in them.
    struct FocusedWindow {
        Window topLevel;
        Window focus;
    };
    FocusedWindow openFocusedWindow(bool onTopLevel = false) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = FocusChangeMask | KeyPressMask;
        const Window topLevel = XCreateWindow(m_display, DefaultRootWindow(m_display), 0, 0, 200,
                                              100, 0, CopyFromParent, InputOutput, CopyFromParent,
                                              CWOverrideRedirect | CWEventMask, &attributes);
        Window focus = topLevel;
        if (!onTopLevel) {
            focus = XCreateSimpleWindow(m_display, topLevel, 0, 0, 1, 1, 0, 0, 0);
            XSelectInput(m_display, focus, FocusChangeMask | KeyPressMask);
            XMapWindow(m_display, focus);
        }
        XMapWindow(m_display, topLevel);
        XSync(m_display, False);
        setFocus(focus);
        return {topLevel, focus};
    }
    // A window that is never shown, as every toolkit makes one for each application.
    Window openHiddenWindow() {
        const Window window =
            XCreateSimpleWindow(m_display, DefaultRootWindow(m_display), 0, 0, 1, 1, 0, 0, 0);
        XSync(m_display, False);
        return window;
    }
    void closeWindow(const FocusedWindow& window) { destroyWindow(window.topLevel); }
    void destroyWindow(Window window) {
        XDestroyWindow(m_display, window);
        XSync(m_display, False);
    }
    void hideWindow(const FocusedWindow& window) {
        XUnmapWindow(m_display, window.topLevel);
        XSync(m_display, False);
    }
    // Where the focus goes when the window goes away: RevertToPointerRoot, RevertToParent.
    void setFocus(Window window, int revertTo = RevertToPointerRoot) {
        XSetInputFocus(m_display, window, revertTo, CurrentTime);
        XSync(m_display, False);
    }
    void movePointer(int x, int y) {
        XWarpPointer(m_display, 0, DefaultRootWindow(m_display), 0, 0, 0, 0, x, y);
        XSync(m_display, False);
    }
    // Whether a window manager names its window on the root window.
    bool windowManagerRuns() const {
        Atom type = 0;
        int format = 0;
        unsigned long count = 0;
        unsigned long left = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(m_display, DefaultRootWindow(m_display),
                           XInternAtom(m_display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                           XA_WINDOW, &type, &format, &count, &left, &data);
        if (data)
            XFree(data);
        return count > 0;
    }
    Window focus() const {
        Window window = 0;
        int revertTo = 0;
        XGetInputFocus(m_display, &window, &revertTo);
        return window;
    }
    // Whether the window's focus events since the last call leave it the focus: none came, or a
    // focus-in came last.
    bool keptTheFocus(Window window) {
        XSync(m_display, False);
        bool kept = true;
        XEvent event;
        while (XCheckWindowEvent(m_display, window, FocusChangeMask, &event))
            kept = event.type == FocusIn;
        return kept;
    }

    // Whether the key was pressed in the window since the last call.
    bool heardKey(Window window, KeySym symbol) {
        XSync(m_display, False);
        bool heard = false;
        XEvent event;
        while (XCheckWindowEvent(m_display, window, KeyPressMask, &event))
            heard = heard || event.xkey.keycode == keyCode(symbol);
        return heard;
    }

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
