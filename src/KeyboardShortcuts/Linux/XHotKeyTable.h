#pragma once

#include "KeyboardShortcuts/EventType.h"

#include <QHash>
#include <QList>
#include <QtGlobal>

#include <optional>

namespace KeyboardShortcuts {

// The hot keys grabbed on the X server, and which of them are down.
//
// The server reports a grabbed combination's press and, while the key is held, every key
// event, until the key comes up. So a key already down is an auto-repeat, and the release of
// the key ends the hot key whatever modifiers were released before it. Without detectable
// auto-repeat the server sends a release and a press with the same time for each repeat: a
// release waits for the next event, and is dropped with that press or delivered by `flush`.
class XHotKeyTable {
public:
    // An X key code and the core modifiers it is grabbed with (of XModifiers::shortcutMask).
    struct Grab {
        quint8 keyCode;
        quint16 modifiers;
        friend bool operator==(const Grab&, const Grab&) = default;
    };
    struct Delivery {
        quint32 id;
        EventType type;
        friend bool operator==(const Delivery&, const Delivery&) = default;
    };

    void add(quint32 id, Grab grab);
    // Forgets the hot key; a key of it that is down comes up without a delivery.
    void remove(quint32 id);
    std::optional<Grab> grab(quint32 id) const;
    QList<quint32> ids() const { return m_grabs.keys(); }

    // The hot key that a press of the key with the modifiers `state` is; Caps Lock and Num Lock
    // do not count.
    std::optional<quint32> match(quint8 keyCode, quint16 state) const;
    // A hot key's key is down and its release not yet heard.
    bool isDown(quint8 keyCode) const;

    // What to deliver for a key event reported to the grab window.
    QList<Delivery> press(quint8 keyCode, quint16 state, quint32 time);
    QList<Delivery> release(quint8 keyCode, quint32 time);
    // Delivers a release that no repeated press followed.
    QList<Delivery> flush();
    // The key came up where no grab saw it (the window holding the grab went away while it was
    // down): the release of its hot key is delivered at once.
    QList<Delivery> releasedElsewhere(quint8 keyCode);
    bool hasPendingRelease() const { return m_pendingRelease.has_value(); }
    // A hot key is down, or its release not yet delivered.
    bool isHolding() const { return !m_down.isEmpty(); }

private:
    struct PendingRelease {
        quint8 keyCode;
        quint32 time;
    };

    QHash<quint32, Grab> m_grabs;
    QHash<quint8, quint32> m_down; // key code → id of the hot key it pressed
    std::optional<PendingRelease> m_pendingRelease;
};

} // namespace KeyboardShortcuts
