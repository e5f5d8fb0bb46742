#pragma once

#include "Base/PropertyValue.h"

#include <QStringList>

#include <functional>
#include <optional>

namespace Defaults {

// A key-value store shared between the user's devices, which settings keys can be mirrored
// into (see iCloudSynchronizer). Implementations are safe to use from any thread.
class DefaultsKeyValueStore {
public:
    // Told, on any thread, the names of the entries that changed from outside this process.
    using ExternalChangeHandler = std::function<void(const QStringList& changedKeys)>;

    virtual ~DefaultsKeyValueStore() = default;

    virtual std::optional<Base::PropertyValue> object(const QString& key) const = 0;
    // Stores the value; nothing removes the entry.
    virtual void set(std::optional<Base::PropertyValue> value, const QString& key) = 0;
    virtual void removeObject(const QString& key) = 0;
    // Exchanges changes with the other devices when it can; true when it could.
    virtual bool synchronize() = 0;
    // Replaces the handler of external changes; an empty one stops the notices.
    virtual void setExternalChangeHandler(ExternalChangeHandler handler) = 0;
};

} // namespace Defaults
