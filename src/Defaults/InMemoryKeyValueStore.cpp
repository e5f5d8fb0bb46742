#include "Defaults/InMemoryKeyValueStore.h"

namespace Defaults {

std::optional<Base::PropertyValue> InMemoryKeyValueStore::object(const QString& key) const {
    std::lock_guard lock(m_mutex);
    if (auto it = m_values.constFind(key); it != m_values.cend())
        return *it;
    return std::nullopt;
}

void InMemoryKeyValueStore::set(std::optional<Base::PropertyValue> value, const QString& key) {
    std::lock_guard lock(m_mutex);
    store(std::move(value), key);
}

void InMemoryKeyValueStore::removeObject(const QString& key) {
    set(std::nullopt, key);
}

void InMemoryKeyValueStore::setExternalChangeHandler(ExternalChangeHandler handler) {
    ExternalChangeHandler previous; // destroyed after unlocking, like every handler
    std::lock_guard lock(m_mutex);
    previous = std::exchange(m_handler, std::move(handler));
}

void InMemoryKeyValueStore::changeExternally(
    const QMap<QString, std::optional<Base::PropertyValue>>& changes) {
    ExternalChangeHandler handler;
    {
        std::lock_guard lock(m_mutex);
        for (auto it = changes.cbegin(); it != changes.cend(); ++it)
            store(it.value(), it.key());
        handler = m_handler;
    }
    if (handler)
        handler(changes.keys());
}

// Called with the mutex held.
void InMemoryKeyValueStore::store(std::optional<Base::PropertyValue> value, const QString& key) {
    if (value)
        m_values.insert(key, std::move(*value));
    else
        m_values.remove(key);
}

} // namespace Defaults
