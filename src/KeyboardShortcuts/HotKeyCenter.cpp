#include "KeyboardShortcuts/HotKeyCenter.h"

#include <QKeyEvent>

namespace KeyboardShortcuts {

namespace {

// Copied, so that an action may destroy the hot key it belongs to.
void run(HotKey::Action action) {
    if (action)
        action();
}

} // namespace

HotKeyCenter::HotKeyCenter(HotKeySystem& system)
    : m_system(system),
      m_keyEventMonitor({QEvent::KeyPress, QEvent::KeyRelease},
                        [this](QObject*, QEvent* event) { return handleMenuKey(event); }),
      m_menuTracking([this](bool isMenuOpen) { setMenuOpen(isMenuOpen); }) {
    m_system.setHandler([this](quint32 id, EventType type) { handleHotKeyEvent(id, type); });
    m_system.setTakenHandler([this](quint32 id, bool isTaken) {
        if (HotKey* hotKey = find(id); hotKey && hotKey->isRegistered)
            setTaken(*hotKey, isTaken);
    });
}

bool HotKeyCenter::registerHotKey(HotKey& hotKey) {
    const auto registration = m_system.registerHotKey(quint32(hotKey.id()), hotKey.shortcut());
    if (registration == HotKeySystem::Registration::refused)
        return false;
    hotKey.isRegistered = true;
    hotKey.isTaken = registration == HotKeySystem::Registration::taken;
    m_hotKeys[hotKey.id()] = &hotKey;
    if (m_mode != Mode::normal) {
        m_system.unregisterHotKey(quint32(hotKey.id()));
        hotKey.isRegistered = false;
    }
    return true;
}

void HotKeyCenter::release(const HotKey& hotKey) {
    if (hotKey.isRegistered)
        m_system.unregisterHotKey(quint32(hotKey.id()));
    m_hotKeys.erase(hotKey.id());
    m_heldKeys.removeIf([&](auto entry) { return entry.value() == hotKey.id(); });
}

void HotKeyCenter::setEnabled(bool isEnabled) {
    if (isEnabled == m_isEnabled)
        return;
    m_isEnabled = isEnabled;
    updateMode();
}

void HotKeyCenter::setMenuOpen(bool isMenuOpen) {
    if (isMenuOpen == m_isMenuOpen)
        return;
    m_isMenuOpen = isMenuOpen;
    updateMode();
}

bool HotKeyCenter::isTakenBySystem(const Shortcut& shortcut) const {
    for (const auto& [id, hotKey] : m_hotKeys)
        if (hotKey->isRegistered && !hotKey->isTaken && hotKey->shortcut() == shortcut)
            return false;
    if (!m_system.isTakenElsewhere(shortcut))
        return false;
    return shortcut.isTakenBySystem({{shortcut.carbonKeyCode(), shortcut.carbonModifiers()}});
}

void HotKeyCenter::updateMode() {
    const Mode mode = !m_isEnabled ? Mode::disabled : m_isMenuOpen ? Mode::menuOpen : Mode::normal;
    if (mode == m_mode)
        return;
    m_mode = mode;
    applyMode();
}

void HotKeyCenter::applyMode() {
    if (m_mode == Mode::normal)
        registerAll();
    else
        unregisterAll();
    m_heldKeys.clear();
    if (m_mode == Mode::menuOpen)
        m_keyEventMonitor.start();
    else
        m_keyEventMonitor.stop();
}

QList<qint64> HotKeyCenter::liveIds() const {
    QList<qint64> ids;
    for (const auto& entry : m_hotKeys)
        ids.append(entry.first);
    return ids;
}

void HotKeyCenter::registerAll() {
    for (const qint64 id : liveIds()) {
        const auto found = m_hotKeys.find(id);
        if (found == m_hotKeys.end() || found->second->isRegistered)
            continue;
        HotKey& hotKey = *found->second;
        const auto registration = m_system.registerHotKey(quint32(id), hotKey.shortcut());
        if (registration == HotKeySystem::Registration::refused) {
            m_hotKeys.erase(found);
            run(hotKey.onRegistrationFailed);
            continue;
        }
        hotKey.isRegistered = true;
        setTaken(hotKey, registration == HotKeySystem::Registration::taken);
    }
}

void HotKeyCenter::setTaken(HotKey& hotKey, bool isTaken) {
    if (isTaken == hotKey.isTaken)
        return;
    hotKey.isTaken = isTaken;
    run(hotKey.onTakenChanged);
}

void HotKeyCenter::unregisterAll() {
    for (const auto& [id, hotKey] : m_hotKeys) {
        if (!hotKey->isRegistered)
            continue;
        m_system.unregisterHotKey(quint32(id));
        hotKey->isRegistered = false;
    }
}

void HotKeyCenter::handleHotKeyEvent(quint32 id, EventType type) {
    HotKey* hotKey = find(id);
    if (m_mode != Mode::normal || !hotKey)
        return;
    run(type == EventType::keyDown ? hotKey->onKeyDown : hotKey->onKeyUp);
}

bool HotKeyCenter::handleMenuKey(QEvent* event) {
    const auto keyEvent = m_system.keyEvent(*static_cast<QKeyEvent*>(event));
    return keyEvent && handleRawKey(*keyEvent);
}

bool HotKeyCenter::handleRawKey(const KeyEvent& event) {
    if (event.type == EventType::keyDown) {
        if (event.isRepeat || m_heldKeys.contains(event.keyCode))
            return false;
        HotKey* hotKey = match(event);
        if (!hotKey)
            return false;
        m_heldKeys.insert(event.keyCode, hotKey->id());
        run(hotKey->onKeyDown);
        return true;
    }
    HotKey* hotKey =
        m_heldKeys.contains(event.keyCode) ? find(m_heldKeys.take(event.keyCode)) : match(event);
    if (!hotKey)
        return false;
    run(hotKey->onKeyUp);
    return true;
}

HotKey* HotKeyCenter::find(qint64 id) const {
    const auto found = m_hotKeys.find(id);
    return found != m_hotKeys.end() ? found->second : nullptr;
}

HotKey* HotKeyCenter::match(const KeyEvent& event) const {
    const qint64 modifiers = normalizedCarbonModifiers(event.carbonModifiers);
    for (const auto& [id, hotKey] : m_hotKeys)
        if (hotKey->shortcut().carbonKeyCode() == event.keyCode &&
            hotKey->shortcut().carbonModifiers() == modifiers)
            return hotKey;
    return nullptr;
}

} // namespace KeyboardShortcuts
