#include "KeyboardShortcuts/ShortcutRegistry.h"

#include "Base/Log.h"

#include <QMetaObject>

namespace KeyboardShortcuts {

namespace {

const Base::Log logger{QStringLiteral("shortcuts")};

template <class Key, class Value> bool hasNonEmpty(const QHash<Key, Value>& table, const Key& key) {
    const auto found = table.constFind(key);
    return found != table.cend() && !found->empty();
}

} // namespace

ShortcutRegistry::ShortcutRegistry(HotKeySystem& system) : m_center(system) {
    setHotKeySync(this);
}

ShortcutRegistry::~ShortcutRegistry() {
    setHotKeySync(nullptr);
}

void ShortcutRegistry::onKeyDown(const Name& name, Action action) {
    m_keyDownHandlers[name].append(std::move(action));
    registerIfNeeded(name);
}

void ShortcutRegistry::onKeyUp(const Name& name, Action action) {
    m_keyUpHandlers[name].append(std::move(action));
    registerIfNeeded(name);
}

void ShortcutRegistry::removeHandler(const Name& name) {
    m_keyDownHandlers.remove(name);
    m_keyUpHandlers.remove(name);
    if (!m_disabledNames.contains(name) &&
        (hasNonEmpty(m_streamKeyDownHandlers, name) || hasNonEmpty(m_streamKeyUpHandlers, name)))
        return;
    if (const auto shortcut = getShortcut(name))
        unregisterIfUnused(*shortcut, name);
}

void ShortcutRegistry::removeAllHandlers() {
    QSet<Shortcut> shortcuts;
    for (const auto* table : {&m_keyDownHandlers, &m_keyUpHandlers})
        for (auto it = table->keyBegin(); it != table->keyEnd(); ++it)
            if (const auto shortcut = getShortcut(*it))
                shortcuts.insert(*shortcut);
    m_keyDownHandlers.clear();
    m_keyUpHandlers.clear();
    for (const auto& shortcut : shortcuts)
        unregisterIfUnused(shortcut, std::nullopt);
}

void ShortcutRegistry::disable(const QList<Name>& names) {
    for (const auto& name : names) {
        m_disabledNames.insert(name);
        if (const auto shortcut = getShortcut(name))
            unregisterIfUnused(*shortcut, name);
    }
}

void ShortcutRegistry::enable(const QList<Name>& names) {
    for (const auto& name : names) {
        m_disabledNames.remove(name);
        registerIfNeeded(name);
    }
}

bool ShortcutRegistry::isActive(const Name& name) const {
    const auto shortcut = getShortcut(name);
    if (!m_isEnabled || !hasLiveHandlers(name) || !shortcut)
        return false;
    const auto found = m_hotKeys.find(*shortcut);
    return found != m_hotKeys.end() && !found->second->isTaken;
}

// A combination is among the reported refusals from its refusal until its hot key is held.
bool ShortcutRegistry::isRefused(const Name& name) const {
    const auto shortcut = getShortcut(name);
    return m_isEnabled && hasLiveHandlers(name) && shortcut &&
           m_reportedRefusals.contains(*shortcut);
}

void ShortcutRegistry::setEnabled(bool isEnabled) {
    if (isEnabled == m_isEnabled)
        return;
    m_isEnabled = isEnabled;
    m_center.setEnabled(isEnabled);
}

bool ShortcutRegistry::hasLiveHandlers(const Name& name) const {
    return !m_disabledNames.contains(name) &&
           (hasNonEmpty(m_keyDownHandlers, name) || hasNonEmpty(m_keyUpHandlers, name) ||
            hasNonEmpty(m_streamKeyDownHandlers, name) || hasNonEmpty(m_streamKeyUpHandlers, name));
}

QSet<Name> ShortcutRegistry::namesWithHandlers() const {
    QSet<Name> names;
    const auto addKeys = [&](const auto& table) {
        for (auto it = table.keyBegin(); it != table.keyEnd(); ++it)
            names.insert(*it);
    };
    addKeys(m_keyDownHandlers);
    addKeys(m_keyUpHandlers);
    addKeys(m_streamKeyDownHandlers);
    addKeys(m_streamKeyUpHandlers);
    return names;
}

bool ShortcutRegistry::hasShortcutStreams(const Shortcut& shortcut) const {
    return hasNonEmpty(m_shortcutStreamKeyDownHandlers, shortcut) ||
           hasNonEmpty(m_shortcutStreamKeyUpHandlers, shortcut);
}

bool ShortcutRegistry::isShortcutInUse(const Shortcut& shortcut,
                                       const std::optional<Name>& excluding) const {
    for (const auto& name : namesWithHandlers())
        if (name != excluding && hasLiveHandlers(name) && getShortcut(name) == shortcut)
            return true;
    return hasShortcutStreams(shortcut);
}

void ShortcutRegistry::registerIfNeeded(const Name& name) {
    if (!hasLiveHandlers(name))
        return;
    if (const auto shortcut = getShortcut(name))
        registerShortcut(*shortcut);
}

void ShortcutRegistry::unregisterIfUnused(const Shortcut& shortcut,
                                          const std::optional<Name>& excluding) {
    if (!isShortcutInUse(shortcut, excluding))
        unregisterShortcut(shortcut);
}

void ShortcutRegistry::registerShortcut(const Shortcut& shortcut) {
    if (hasHotKey(shortcut))
        return;
    auto hotKey = std::make_unique<HotKey>(
        m_center, shortcut, [this, shortcut] { handleEvent(EventType::keyDown, shortcut); },
        [this, shortcut] { handleEvent(EventType::keyUp, shortcut); });
    if (!m_center.registerHotKey(*hotKey)) {
        reportRefusal(shortcut);
        return;
    }
    hotKey->onRegistrationFailed = [this, shortcut, registered = hotKey.get()] {
        const auto found = m_hotKeys.find(shortcut);
        if (found == m_hotKeys.end() || found->second.get() != registered)
            return;
        m_hotKeys.erase(found);
        reportRefusal(shortcut);
    };
    hotKey->onTakenChanged = [this, shortcut, registered = hotKey.get()] {
        if (registered->isTaken)
            reportRefusal(shortcut);
        else
            reportHeld(shortcut);
    };
    const bool isTaken = hotKey->isTaken;
    m_hotKeys.emplace(shortcut, std::move(hotKey));
    if (isTaken)
        reportRefusal(shortcut);
    else
        reportHeld(shortcut);
}

void ShortcutRegistry::reportRefusal(const Shortcut& shortcut) {
    if (m_reportedRefusals.contains(shortcut))
        return;
    m_reportedRefusals.insert(shortcut);
    const QStringList names = namesUsing(shortcut);
    logger.error("hot key %{public}s refused: another application holds it (%{public}s)",
                 shortcut.description(),
                 names.isEmpty() ? QStringLiteral("shortcut stream") : names.join(u", "));
    emit refusalsChanged();
}

void ShortcutRegistry::reportHeld(const Shortcut& shortcut) {
    if (!m_reportedRefusals.remove(shortcut))
        return;
    logger.notice("hot key %{public}s is held again", shortcut.description());
    emit refusalsChanged();
}

void ShortcutRegistry::unregisterShortcut(const Shortcut& shortcut) {
    m_hotKeys.erase(shortcut);
}

QStringList ShortcutRegistry::namesUsing(const Shortcut& shortcut) const {
    QStringList names;
    for (const auto& name : namesWithHandlers())
        if (hasLiveHandlers(name) && getShortcut(name) == shortcut)
            names.append(name.rawValue());
    names.sort();
    return names;
}

bool ShortcutRegistry::matches(const Name& name, const Shortcut& shortcut) const {
    return !m_disabledNames.contains(name) && getShortcut(name) == shortcut;
}

void ShortcutRegistry::handleEvent(EventType type, const Shortcut& shortcut) {
    if (m_isPaused)
        return;
    const bool isDown = type == EventType::keyDown;
    // Copies: actions that change the tables change what the next event finds.
    const auto actions = isDown ? m_keyDownHandlers : m_keyUpHandlers;
    const auto streams = isDown ? m_streamKeyDownHandlers : m_streamKeyUpHandlers;
    const auto shortcutStreams =
        (isDown ? m_shortcutStreamKeyDownHandlers : m_shortcutStreamKeyUpHandlers).value(shortcut);
    for (auto it = actions.cbegin(); it != actions.cend(); ++it)
        if (matches(it.key(), shortcut))
            for (const auto& action : it.value())
                action();
    for (auto it = streams.cbegin(); it != streams.cend(); ++it)
        if (matches(it.key(), shortcut))
            for (const auto& [id, action] : it.value())
                action();
    for (const auto& [id, action] : shortcutStreams)
        action();
}

quint64 ShortcutRegistry::addStream(const Name& name, StreamSinks sinks) {
    const quint64 id = ++m_lastStreamId;
    m_streamKeyDownHandlers[name][id] = std::move(sinks.keyDown);
    m_streamKeyUpHandlers[name][id] = std::move(sinks.keyUp);
    registerIfNeeded(name);
    return id;
}

quint64 ShortcutRegistry::addStream(const Shortcut& shortcut, StreamSinks sinks) {
    const quint64 id = ++m_lastStreamId;
    m_shortcutStreamKeyDownHandlers[shortcut][id] = std::move(sinks.keyDown);
    m_shortcutStreamKeyUpHandlers[shortcut][id] = std::move(sinks.keyUp);
    registerShortcut(shortcut);
    return id;
}

template <class Key>
void ShortcutRegistry::removeStream(QHash<Key, StreamActions>& table, const Key& key,
                                    quint64 streamId) {
    const auto found = table.find(key);
    if (found == table.end())
        return;
    found->erase(streamId);
    if (found->empty())
        table.erase(found);
}

void ShortcutRegistry::removeStreamLater(const Name& name, quint64 streamId) {
    QMetaObject::invokeMethod(
        this,
        [this, name, streamId] {
            removeStream(m_streamKeyDownHandlers, name, streamId);
            removeStream(m_streamKeyUpHandlers, name, streamId);
            if (const auto shortcut = getShortcut(name))
                unregisterIfUnused(*shortcut, std::nullopt);
        },
        Qt::QueuedConnection);
}

void ShortcutRegistry::removeStreamLater(const Shortcut& shortcut, quint64 streamId) {
    QMetaObject::invokeMethod(
        this,
        [this, shortcut, streamId] {
            removeStream(m_shortcutStreamKeyDownHandlers, shortcut, streamId);
            removeStream(m_shortcutStreamKeyUpHandlers, shortcut, streamId);
            unregisterIfUnused(shortcut, std::nullopt);
        },
        Qt::QueuedConnection);
}

} // namespace KeyboardShortcuts
