#pragma once

#include "KeyboardShortcuts/HotKeySystem.h"

#include <QKeyEvent>
#include <QList>
#include <QSet>

#include <map>
#include <optional>

namespace TestSupport {

// A desktop whose hot keys a test presses and releases. Combinations in `heldElsewhere` are
// refused as another application's. Key events of the application carry the virtual key code
// as their native virtual key and the modifier mask as their native modifiers.
class FakeHotKeySystem final : public KeyboardShortcuts::HotKeySystem {
public:
    using EventType = KeyboardShortcuts::EventType;
    using Shortcut = KeyboardShortcuts::Shortcut;

    void setHandler(Handler handler) override { m_handler = std::move(handler); }

    bool registerHotKey(quint32 id, const Shortcut& shortcut) override {
        if (heldElsewhere.contains(shortcut))
            return false;
        m_registered.insert_or_assign(id, shortcut);
        return true;
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

    QSet<Shortcut> heldElsewhere;
    // Another client holds the whole keyboard: no grab is granted.
    bool keyboardTakenElsewhere = false;
    // The window holding the keyboard grab; none while no grab is held.
    std::optional<quintptr> keyboardWindow;
    KeyboardShortcuts::KeyRepeatTiming repeatTiming{0.5, 0.1};

private:
    void sendShortcut(const Shortcut& shortcut, EventType type) {
        if (const auto id = idOf(shortcut))
            m_handler(*id, type);
    }

    Handler m_handler;
    std::map<quint32, Shortcut> m_registered;
};

} // namespace TestSupport
