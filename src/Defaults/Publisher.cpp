#include "Defaults/Publisher.h"

#include <vector>

namespace Defaults {

Cancellable& Cancellable::operator=(Cancellable&& other) noexcept {
    if (this != &other) {
        cancel();
        m_cancel = std::exchange(other.m_cancel, {});
    }
    return *this;
}

void Cancellable::cancel() {
    if (auto cancel = std::exchange(m_cancel, {}))
        cancel();
}

std::shared_ptr<DefaultsSubscription>
DefaultsSubscription::start(const std::shared_ptr<Base::UserDefaults>& suite, const QString& key,
                            ObservationOptions options, Subscriber subscriber) {
    std::shared_ptr<DefaultsSubscription> subscription(
        new DefaultsSubscription(std::move(subscriber)));
    // The observer keeps the subscription alive until the subscription is cancelled.
    auto observation = DefaultsObservation::make(
        suite, key, [subscription](const SuiteKeyPair&, const BaseChange& change) {
            subscription->receive(change);
        });
    {
        std::lock_guard lock(subscription->m_mutex);
        subscription->m_observation = observation;
    }
    observation->start(options);
    return subscription;
}

void DefaultsSubscription::cancel() {
    std::shared_ptr<DefaultsObservation> observation;
    Subscriber subscriber;
    {
        std::lock_guard lock(m_mutex);
        observation = std::exchange(m_observation, nullptr);
        subscriber = std::exchange(m_subscriber, nullptr);
    }
    if (observation)
        observation->invalidate();
    // Released here, unlocked: dropping the observer's callback may release this subscription.
}

void DefaultsSubscription::receive(const BaseChange& change) const {
    Subscriber subscriber;
    {
        std::lock_guard lock(m_mutex);
        subscriber = m_subscriber;
    }
    if (subscriber)
        subscriber(change);
}

Cancellable DefaultsPublisher::subscribe(DefaultsSubscription::Subscriber subscriber) const {
    auto subscription =
        DefaultsSubscription::start(m_suite, m_key, m_options, std::move(subscriber));
    return Cancellable([subscription] { subscription->cancel(); });
}

Publisher<std::monostate> publisher(const QList<AnyKey>& keys, ObservationOptions options) {
    return Publisher<std::monostate>([keys, options](auto subscriber) {
        auto subscriptions = std::make_shared<std::vector<Cancellable>>();
        for (const auto& key : keys)
            subscriptions->push_back(
                DefaultsPublisher(key.suite(), key.name(), options)
                    .subscribe([subscriber](const BaseChange&) { subscriber(std::monostate{}); }));
        return Cancellable([subscriptions] { subscriptions->clear(); });
    });
}

} // namespace Defaults
