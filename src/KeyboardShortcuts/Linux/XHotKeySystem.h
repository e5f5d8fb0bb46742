#pragma once

#include "KeyboardShortcuts/HotKeySystem.h"
#include "KeyboardShortcuts/Linux/XHotKeyTable.h"

#include <QAbstractNativeEventFilter>
#include <QObject>

#include <memory>

struct xcb_connection_t;

namespace KeyboardShortcuts {

// Hot keys as passive key grabs on the X server's root window, on the application's own X
// connection, read through Qt's native event filter. Each combination is grabbed once for
// every state of Caps Lock and Num Lock; a combination that another client grabbed is refused
// (BadAccess). Main thread.
class XHotKeySystem final : public HotKeySystem, public QAbstractNativeEventFilter {
public:
    // The hot keys of the X server the application is connected to; none when the application
    // does not run on X11.
    static std::unique_ptr<XHotKeySystem> create();

    XHotKeySystem(xcb_connection_t* connection, quint32 rootWindow);
    ~XHotKeySystem() override;
    XHotKeySystem(const XHotKeySystem&) = delete;
    XHotKeySystem& operator=(const XHotKeySystem&) = delete;

    void setHandler(Handler handler) override { m_handler = std::move(handler); }
    bool registerHotKey(quint32 id, const Shortcut& shortcut) override;
    void unregisterHotKey(quint32 id) override;
    bool isTakenElsewhere(const Shortcut& shortcut) override;
    std::optional<KeyEvent> keyEvent(const QKeyEvent& event) const override;
    KeyRepeatTiming keyRepeatTiming() const override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::optional<XHotKeyTable::Grab> grabOf(const Shortcut& shortcut) const;
    // Grabs every lock variant; all or none.
    bool grab(XHotKeyTable::Grab grab);
    void ungrab(XHotKeyTable::Grab grab);
    QList<quint16> lockVariants(quint16 modifiers) const;
    void deliver(const QList<XHotKeyTable::Delivery>& deliveries);

    xcb_connection_t* m_connection;
    quint32 m_rootWindow;
    quint16 m_numLockMask;
    XHotKeyTable m_table;
    Handler m_handler;
    // Receives the delayed delivery of releases; gone with this object.
    QObject m_releaseContext;
};

} // namespace KeyboardShortcuts
