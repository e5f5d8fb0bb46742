#include "Defaults/Observation.h"

#include <algorithm>

namespace Defaults {

void Observation::invalidate() {
    invalidateObservers();
    removeLifetimeTie();
}

std::shared_ptr<Observation> Observation::tieToLifetime(QObject* owner) {
    auto self = shared_from_this();
    auto previous = std::move(m_lifetimeAssociation);
    m_lifetimeAssociation =
        std::make_unique<LifetimeAssociation>(self, owner, [weak = weak_from_this()] {
            if (auto observation = weak.lock())
                observation->invalidate();
        });
    // The new owner holds the observation now: leaving the old one must not end it.
    if (previous)
        previous->cancel();
    return self;
}

void Observation::removeLifetimeTie() {
    if (auto association = std::move(m_lifetimeAssociation))
        association->cancel();
}

void CompositeDefaultsObservation::add(const AnyKey& key) {
    auto observation = DefaultsObservation::make(key.suite(), key.name(), m_callback);
    {
        std::lock_guard lock(m_mutex);
        m_observations.append({key, observation});
    }
    observation->start({});
}

void CompositeDefaultsObservation::remove(const AnyKey& key) {
    std::shared_ptr<DefaultsObservation> removed;
    {
        std::lock_guard lock(m_mutex);
        const auto it = std::find_if(m_observations.begin(), m_observations.end(),
                                     [&](const auto& entry) { return entry.first == key; });
        if (it == m_observations.end())
            return;
        removed = it->second;
        m_observations.erase(it);
    }
    removed->invalidate();
}

void CompositeDefaultsObservation::invalidateObservers() {
    QList<std::pair<AnyKey, std::shared_ptr<DefaultsObservation>>> observations;
    {
        std::lock_guard lock(m_mutex);
        observations.swap(m_observations);
    }
    for (const auto& entry : observations)
        entry.second->invalidate();
}

std::shared_ptr<Observation> observe(const QList<AnyKey>& keys, std::function<void()> handler) {
    auto composite = std::make_shared<CompositeDefaultsObservation>(
        [handler = std::move(handler)](const SuiteKeyPair&, const BaseChange&) { handler(); });
    for (const auto& key : keys)
        composite->add(key);
    return composite;
}

} // namespace Defaults
