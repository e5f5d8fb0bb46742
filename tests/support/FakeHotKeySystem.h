#pragma once

#include "KeyboardShortcuts/HotKeySystem.h"

#include <QKeyEvent>
#include <QList>
#include <QSet>

#include <map>
#include <optional>

namespace TestSupport {

// A desktop whose hot keys a test presses and releases. Combinations in `heldElsewhere` are
// registered as taken by another application, and their presses go to it; those in `refused`
// cannot be hot keys. Key events of the application carry the virtual key code
// as their native virtual key and the modifier mask as their native modifiers.
class FakeHotKeySystem final : public KeyboardShortcuts::HotKeySystem {
public:
    using EventType = KeyboardShortcuts::EventType;
    using Shortcut = KeyboardShortcuts::Shortcut;

    void setHandler(Handler handler) override { m_handler = std::move(handler); }
    void setTakenHandler(TakenHandler handler) override { m_takenHandler = std::move(handler); }

    Registration registerHotKey(quint32 id, const Shortcut& shortcut) override {
        if (refused.contains(shortcut))
            return Registration::refused;
        m_registered.insert_or_assign(id, shortcut);
        return heldElsewhere.contains(shortcut) ? Registration::taken : Registration::held;
    }
    void unregisterHotKey(quint32 id) override { m_registered.erase(id); }
    bool isTakenElsewhere(const Shortcut& shortcut) override {
        return heldElsewhere.contains(shortcut);
    }

    bool grabKeyboard(quintptr window) override {
        if (keyboardTakenElsewhere)
            return false;
        keyboardWindow = window;
        return true;
    }
    void releaseKeyboard() override { keyboardWindow.reset(); }

    std::optional<KeyboardShortcuts::KeyEvent> keyEvent(const QKeyEvent& event) const override {
        return KeyboardShortcuts::KeyEvent{event.type() == QEvent::KeyPress ? EventType::keyDown
                                                                            : EventType::keyUp,
                                           qint64(event.nativeVirtualKey()),
                                           qint64(event.nativeModifiers()), event.isAutoRepeat()};
    }

    KeyboardShortcuts::KeyRepeatTiming keyRepeatTiming() const override { return repeatTiming; }

    // The combinations registered now, in id order.
    QList<Shortcut> registered() const {
        QList<Shortcut> shortcuts;
        for (const auto& [id, shortcut] : m_registered)
            shortcuts.append(shortcut);
        return shortcuts;
    }
    bool isRegistered(const Shortcut& shortcut) const { return registered().contains(shortcut); }
    std::optional<quint32> idOf(const Shortcut& shortcut) const {
        for (const auto& [id, registeredShortcut] : m_registered)
            if (registeredShortcut == shortcut)
                return id;
        return std::nullopt;
    }

    // The desktop reports a press or release of a registered combination; nothing otherwise.
    void press(const Shortcut& shortcut) { sendShortcut(shortcut, EventType::keyDown); }
    void release(const Shortcut& shortcut) { sendShortcut(shortcut, EventType::keyUp); }
    // An event for any id, registered or not.
    void sendId(quint32 id, EventType type) { m_handler(id, type); }

    // Another application takes the combination, or lets it go; the desktop tells of a
    // registered one.
    void take(const Shortcut& shortcut) { setHeldElsewhere(shortcut, true); }
    void giveBack(const Shortcut& shortcut) { setHeldElsewhere(shortcut, false); }

    QSet<Shortcut> heldElsewhere;
    QSet<Shortcut> refused;
    // Another client holds the whole keyboard: no grab is granted.
    bool keyboardTakenElsewhere = false;
    // The window holding the keyboard grab; none while no grab is held.
    std::optional<quintptr> keyboardWindow;
    KeyboardShortcuts::KeyRepeatTiming repeatTiming{0.5, 0.1};

private:
    void sendShortcut(const Shortcut& shortcut, EventType type) {
        if (const auto id = idOf(shortcut); id && !heldElsewhere.contains(shortcut))
            m_handler(*id, type);
    }
    void setHeldElsewhere(const Shortcut& shortcut, bool isHeld) {
        if (isHeld)
            heldElsewhere.insert(shortcut);
        else
            heldElsewhere.remove(shortcut);
        if (const auto id = idOf(shortcut); id && m_takenHandler)
            m_takenHandler(*id, isHeld);
    }

    Handler m_handler;
    TakenHandler m_takenHandler;
    std::map<quint32, Shortcut> m_registered;
};

} // namespace TestSupport
