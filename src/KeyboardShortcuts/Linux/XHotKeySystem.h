#pragma once

#include "Base/Scheduler.h"
#include "KeyboardShortcuts/HotKeySystem.h"
#include "KeyboardShortcuts/Linux/XFocusTarget.h"
#include "KeyboardShortcuts/Linux/XGrabPlacement.h"
#include "KeyboardShortcuts/Linux/XHotKeyTable.h"
#include "KeyboardShortcuts/Linux/XRawKeyReleases.h"
#include "KeyboardShortcuts/Linux/XRootEvents.h"
#include "KeyboardShortcuts/Linux/XkbLayoutTracker.h"

#include <QAbstractNativeEventFilter>

#include <memory>

struct xcb_connection_t;
struct xcb_key_press_event_t;

namespace KeyboardShortcuts {

// Hot keys as passive key grabs, on the application's own X connection, read through Qt's native
// event filter. Each combination is grabbed once for every state of Caps Lock and Num Lock. It is
// held on the focused window itself (XFocusTarget), so that pressing it does not make the focused
// application lose the focus, and it moves there when the focus moves, once no hot key is held. A
// combination that another client grabbed on the root window is taken (BadAccess): it is grabbed
// on the focused window all the same, where its press reaches the application as soon as the
// other client lets go, and claimed again then and each time the grabs move (XGrabPlacement).
// Where the focus is on a window of the application, or on none, there is no window to wait on:
// the press then comes to the application's window as a plain key, or to the root window, where
// the connection listens to keys only while such a combination waits. While one is taken, a
// window of another client that goes away (with its client, maybe) has it claimed again too, so
// that it is told to be free without waiting for a press.
// A release is delivered a moment late, once no auto-repeated press has followed it, so a held
// combination is one press and one release; one heard as a raw key release is delivered at once.
// The server ends a grab whose window goes away while its key is down, and sends the release to
// the focused window: then the raw key release, listened to only while a hot key is held, is the
// only one heard. While it lives it also keeps the module's keyboard layout in step with the
// server, so that shortcuts name their keys' characters. A keyboard grab is an active grab, which
// the server puts before every passive key grab. Main thread.
class XHotKeySystem final : public HotKeySystem, public QAbstractNativeEventFilter {
public:
    // The hot keys of the X server the application is connected to; none when the application
    // does not run on X11.
    static std::unique_ptr<XHotKeySystem> create(Base::Scheduler& scheduler);

    XHotKeySystem(xcb_connection_t* connection, quint32 rootWindow, Base::Scheduler& scheduler);
    ~XHotKeySystem() override;
    XHotKeySystem(const XHotKeySystem&) = delete;
    XHotKeySystem& operator=(const XHotKeySystem&) = delete;

    void setHandler(Handler handler) override { m_handler = std::move(handler); }
    void setTakenHandler(TakenHandler handler) override { m_takenHandler = std::move(handler); }
    Registration registerHotKey(quint32 id, const Shortcut& shortcut) override;
    void unregisterHotKey(quint32 id) override;
    bool isTakenElsewhere(const Shortcut& shortcut) override;
    bool grabKeyboard(quintptr window) override;
    void releaseKeyboard() override;
    std::optional<KeyEvent> keyEvent(const QKeyEvent& event) const override;
    KeyRepeatTiming keyRepeatTiming() const override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The window the hot keys are grabbed on now, unless another client refused one there.
    quint32 grabWindow() const { return m_placement.target(); }

private:
    std::optional<XHotKeyTable::Grab> grabOf(const Shortcut& shortcut) const;
    // Grabs every lock variant on the window; all or none.
    bool grab(quint32 window, XHotKeyTable::Grab grab);
    void ungrab(quint32 window, XHotKeyTable::Grab grab);
    QList<quint16> lockVariants(quint16 modifiers) const;
    // A key event that a grab, or listening on the root window, brought; false when it is Qt's.
    bool handleKeyEvent(quint8 type, const xcb_key_press_event_t& key);
    bool isHotKeyInOwnWindow(quint8 type, const xcb_key_press_event_t& key) const;
    std::optional<quint8> rootWindowChange(const void* xcbEvent) const;
    // Delivers what a key event brought, and waits for the repeat of a release.
    void handleKeys(const QList<XHotKeyTable::Delivery>& deliveries);
    void deliver(const QList<XHotKeyTable::Delivery>& deliveries);
    void deliverPendingRelease();
    // Moves the grabs to the focused window unless a hot key is held, whose events
    // come to the window it was grabbed on until it is released, and tells which combinations
    // were taken or came back on the way; then listens as the new state needs.
    void followFocus();
    // Selects what the connection must hear beyond its grabs, and no more: every key typed
    // anywhere would wake the application otherwise.
    void listen();
    void reportTaken(const QList<XGrabPlacement::TakenChange>& changes);

    xcb_connection_t* m_connection;
    quint32 m_rootWindow;
    quint16 m_numLockMask;
    XHotKeyTable m_table;
    XGrabPlacement m_placement;
    XFocusTarget m_focusTarget;
    XRawKeyReleases m_rawReleases;
    XRootEvents m_rootEvents;
    bool m_holdsKeyboard = false;
    Handler m_handler;
    TakenHandler m_takenHandler;
    Base::Scheduler& m_scheduler;
    // Delivers the pending release unless a repeated press drops it first.
    Base::ScheduledTask m_releaseTask;
    XkbLayoutTracker m_layoutTracker;
};

} // namespace KeyboardShortcuts
