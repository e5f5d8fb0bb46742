#pragma once

#include "Defaults/DefaultsKeyValueStore.h"

#include <QMap>

#include <mutex>

namespace Defaults {

// A shared key-value store that lives in this process only: this system offers none that
// reaches the user's other devices. Changes "from another device" are made with
// changeExternally, which tells the handler as such a store would.
class InMemoryKeyValueStore final : public DefaultsKeyValueStore {
public:
    std::optional<Base::PropertyValue> object(const QString& key) const override;
    void set(std::optional<Base::PropertyValue> value, const QString& key) override;
    void removeObject(const QString& key) override;
    bool synchronize() override { return true; }
    void setExternalChangeHandler(ExternalChangeHandler handler) override;

    // Stores the entries (nothing removes one) as another device would, then tells the
    // handler their names, on this thread.
    void changeExternally(const QMap<QString, std::optional<Base::PropertyValue>>& changes);

private:
    void store(std::optional<Base::PropertyValue> value, const QString& key);

    mutable std::mutex m_mutex;
    Base::PropertyValue::Dictionary m_values;
    ExternalChangeHandler m_handler;
};

} // namespace Defaults
