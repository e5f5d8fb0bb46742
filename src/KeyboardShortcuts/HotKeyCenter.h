#pragma once

#include "KeyboardShortcuts/HotKey.h"
#include "KeyboardShortcuts/HotKeySystem.h"
#include "KeyboardShortcuts/LocalEventMonitor.h"
#include "KeyboardShortcuts/MenuTracking.h"

#include <QHash>

#include <map>

namespace KeyboardShortcuts {

// The one place that talks to the desktop's hot-key service. It registers hot keys with the
// desktop and runs their actions when they are pressed and released. A hot key whose combination
// another application holds stays registered as taken, until the desktop gives it back.
//
// While a menu of the application is open the menu holds the keyboard: the center withdraws
// its hot keys from the desktop and matches the key events that reach the menu instead,
// swallowing those that match. When the last menu closes it registers them again. The
// center knows its hot keys without owning them; they withdraw themselves when destroyed.
// Main thread.
class HotKeyCenter {
public:
    enum class Mode { disabled, normal, menuOpen };

    explicit HotKeyCenter(HotKeySystem& system);
    HotKeyCenter(const HotKeyCenter&) = delete;
    HotKeyCenter& operator=(const HotKeyCenter&) = delete;

    HotKeySystem& system() const { return m_system; }

    // Ids count up from 1 and are never reused.
    qint64 nextHotKeyId() { return ++m_lastHotKeyId; }

    // Registers the hot key with the desktop, marking it taken when another application holds
    // its combination; false, recording nothing, when the desktop refuses it. Outside the normal
    // mode the hot key is kept and withdrawn again at once.
    bool registerHotKey(HotKey& hotKey);
    // Withdraws the hot key; its destructor calls this.
    void release(const HotKey& hotKey);

    // The module-wide switch: off withdraws every hot key and ignores menus.
    bool isEnabled() const { return m_isEnabled; }
    void setEnabled(bool isEnabled);
    bool isMenuOpen() const { return m_isMenuOpen; }
    void setMenuOpen(bool isMenuOpen);
    Mode mode() const { return m_mode; }

    // True when another application holds the combination. The center's own registrations do
    // not count, and neither does F12 without modifiers.
    bool isTakenBySystem(const Shortcut& shortcut) const;

private:
    void updateMode();
    void applyMode();
    void registerAll();
    void unregisterAll();
    QList<qint64> liveIds() const;

    void handleHotKeyEvent(quint32 id, EventType type);
    void setTaken(HotKey& hotKey, bool isTaken);
    bool handleMenuKey(QEvent* event);
    bool handleRawKey(const KeyEvent& event);
    HotKey* find(qint64 id) const;
    HotKey* match(const KeyEvent& event) const;

    HotKeySystem& m_system;
    qint64 m_lastHotKeyId = 0;
    std::map<qint64, HotKey*> m_hotKeys;
    bool m_isEnabled = true;
    bool m_isMenuOpen = false;
    Mode m_mode = Mode::normal;
    // Key codes whose key-down matched while a menu was open, so that their key-up matches
    // whatever modifiers were released first.
    QHash<qint64, qint64> m_heldKeys;
    LocalEventMonitor m_keyEventMonitor;
    MenuTracking m_menuTracking;
};

} // namespace KeyboardShortcuts
