#pragma once

#include "Defaults/DefaultsObservation.h"
#include "Defaults/Key.h"
#include "Defaults/LifetimeAssociation.h"

#include <QList>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

namespace Defaults {

// A typed change of a key: its values after and before, each read as the key's default when
// the key has no stored value or one that does not convert.
template <class T> struct KeyChange {
    bool isPrior = false;
    T newValue;
    T oldValue;

    friend bool operator==(const KeyChange&, const KeyChange&) = default;
};

template <class T> T valueOrDefault(const std::optional<PropertyValue>& object, const Key<T>& key) {
    if (object)
        if (auto value = deserialize<T>(*object))
            return std::move(*value);
    return key.defaultValue();
}

template <class T> KeyChange<T> keyChange(const BaseChange& change, const Key<T>& key) {
    return {change.isPrior, valueOrDefault(change.newValue, key),
            valueOrDefault(change.oldValue, key)};
}

// A running observation. It lives as long as its holder keeps it, or, once tied to an owner,
// until the owner is destroyed; its end invalidates it.
class Observation : public std::enable_shared_from_this<Observation> {
public:
    virtual ~Observation() = default;

    // Stops observing for good and drops any tie to an owner.
    void invalidate();
    // Lets `owner` keep this observation alive and end it when the owner goes. Tying again
    // moves the tie to the new owner.
    std::shared_ptr<Observation> tieToLifetime(QObject* owner);
    // Drops the tie; the observation goes on as long as it is held.
    void removeLifetimeTie();

protected:
    virtual void invalidateObservers() = 0;

private:
    std::unique_ptr<LifetimeAssociation> m_lifetimeAssociation;
};

// The observation of one key.
class DefaultsObservationWithLifeTime final : public Observation {
public:
    explicit DefaultsObservationWithLifeTime(std::shared_ptr<DefaultsObservation> observation)
        : m_observation(std::move(observation)) {}

private:
    void invalidateObservers() override { m_observation->invalidate(); }

    std::shared_ptr<DefaultsObservation> m_observation;
};

// The observation of several keys with one callback. Each key is observed from the moment it
// joins, with no options, until it is removed; keys may join and leave from any thread.
class CompositeDefaultsObservation final : public Observation {
public:
    explicit CompositeDefaultsObservation(DefaultsObservation::Callback callback)
        : m_callback(std::move(callback)) {}

    void add(const AnyKey& key);
    // Stops observing the key (once, when it joined more than once).
    void remove(const AnyKey& key);

private:
    void invalidateObservers() override;

    DefaultsObservation::Callback m_callback;
    std::mutex m_mutex;
    QList<std::pair<AnyKey, std::shared_ptr<DefaultsObservation>>> m_observations;
};

// Calls `handler` with each change of the key, on the thread that made it.
template <class T>
[[nodiscard]] std::shared_ptr<Observation>
observe(const Key<T>& key, ObservationOptions options,
        std::type_identity_t<std::function<void(const KeyChange<T>&)>> handler) {
    auto observation = DefaultsObservation::make(
        key.suite(), key.name(),
        [key, handler = std::move(handler)](const SuiteKeyPair&, const BaseChange& change) {
            handler(keyChange(change, key));
        });
    auto handle = std::make_shared<DefaultsObservationWithLifeTime>(observation);
    observation->start(options);
    return handle;
}

// Calls `handler` after each change of any of the keys, on the thread that made it.
[[nodiscard]] std::shared_ptr<Observation> observe(const QList<AnyKey>& keys,
                                                   std::function<void()> handler);

} // namespace Defaults
