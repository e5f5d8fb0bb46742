#include "Defaults/Observation.h"

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
    m_observations.append(observation);
    observation->start({});
}

void CompositeDefaultsObservation::invalidateObservers() {
    for (const auto& observation : m_observations)
        observation->invalidate();
}

std::shared_ptr<Observation> observe(const QList<AnyKey>& keys, std::function<void()> handler) {
    auto composite = std::make_shared<CompositeDefaultsObservation>(
        [handler = std::move(handler)](const SuiteKeyPair&, const BaseChange&) { handler(); });
    for (const auto& key : keys)
        composite->add(key);
    return composite;
}

} // namespace Defaults
