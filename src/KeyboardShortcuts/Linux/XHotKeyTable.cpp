#include "KeyboardShortcuts/Linux/XHotKeyTable.h"

#include "KeyboardShortcuts/Linux/XModifiers.h"

namespace KeyboardShortcuts {

void XHotKeyTable::add(quint32 id, Grab grab) {
    m_grabs.insert(id, grab);
}

void XHotKeyTable::remove(quint32 id) {
    m_grabs.remove(id);
    m_down.removeIf([id](auto entry) { return entry.value() == id; });
    if (m_pendingRelease && !m_down.contains(m_pendingRelease->keyCode))
        m_pendingRelease.reset();
}

std::optional<XHotKeyTable::Grab> XHotKeyTable::grab(quint32 id) const {
    const auto found = m_grabs.constFind(id);
    return found == m_grabs.cend() ? std::nullopt : std::optional(*found);
}

QList<XHotKeyTable::Delivery> XHotKeyTable::press(quint8 keyCode, quint16 state, quint32 time) {
    if (m_pendingRelease && m_pendingRelease->keyCode == keyCode &&
        m_pendingRelease->time == time) {
        m_pendingRelease.reset();
        return {};
    }
    QList<Delivery> deliveries = flush();
    if (m_down.contains(keyCode))
        return deliveries;
    if (const auto id = match(keyCode, state)) {
        m_down.insert(keyCode, *id);
        deliveries.append({*id, EventType::keyDown});
    }
    return deliveries;
}

std::optional<quint32> XHotKeyTable::match(quint8 keyCode, quint16 state) const {
    const Grab pressed{keyCode, quint16(state & XModifiers::shortcutMask)};
    for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it)
        if (it.value() == pressed)
            return it.key();
    return std::nullopt;
}

bool XHotKeyTable::isDown(quint8 keyCode) const {
    return m_down.contains(keyCode) && !(m_pendingRelease && m_pendingRelease->keyCode == keyCode);
}

QList<XHotKeyTable::Delivery> XHotKeyTable::release(quint8 keyCode, quint32 time) {
    QList<Delivery> deliveries = flush();
    if (m_down.contains(keyCode))
        m_pendingRelease = PendingRelease{keyCode, time};
    return deliveries;
}

QList<XHotKeyTable::Delivery> XHotKeyTable::releasedElsewhere(quint8 keyCode) {
    if (!m_down.contains(keyCode))
        return {};
    QList<Delivery> deliveries = flush();
    if (m_down.contains(keyCode))
        deliveries.append({m_down.take(keyCode), EventType::keyUp});
    return deliveries;
}

QList<XHotKeyTable::Delivery> XHotKeyTable::flush() {
    if (!m_pendingRelease)
        return {};
    const quint32 id = m_down.take(m_pendingRelease->keyCode);
    m_pendingRelease.reset();
    return {{id, EventType::keyUp}};
}

} // namespace KeyboardShortcuts
