#pragma once

#include "Defaults/Observation.h"

#include <QList>

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <variant>

// The changes of settings keys as publishers: a subscriber receives every change, on the
// thread that made it, until it cancels its subscription.
//
//   Defaults::Cancellable subscription =
//       Defaults::publisher(playbackRate).subscribe([](const Defaults::KeyChange<double>& c) {
//           ... c.newValue ...
//       });
//
// Destroying the token cancels too, so keep it as long as the changes are wanted.
namespace Defaults {

// The token of one subscription. Cancelling it, or destroying it, ends the subscription;
// no delivery starts after `cancel` has returned.
class Cancellable {
public:
    Cancellable() = default;
    explicit Cancellable(std::function<void()> cancel) : m_cancel(std::move(cancel)) {}
    Cancellable(Cancellable&& other) noexcept : m_cancel(std::exchange(other.m_cancel, {})) {}
    Cancellable& operator=(Cancellable&& other) noexcept;
    ~Cancellable() { cancel(); }

    void cancel();

private:
    std::function<void()> m_cancel;
};

// A source of values of type Output.
template <class Output> class Publisher {
public:
    using Subscriber = std::function<void(const Output&)>;

    explicit Publisher(std::function<Cancellable(Subscriber)> subscribe)
        : m_subscribe(std::move(subscribe)) {}

    [[nodiscard]] Cancellable subscribe(Subscriber subscriber) const {
        return m_subscribe(std::move(subscriber));
    }

private:
    std::function<Cancellable(Subscriber)> m_subscribe;
};

// One subscriber's subscription to one key: it keeps the key's observer until cancelled.
class DefaultsSubscription {
public:
    using Subscriber = std::function<void(const BaseChange&)>;

    // Makes the subscription and starts observing; with `initial` the subscriber hears of the
    // current value before this returns.
    static std::shared_ptr<DefaultsSubscription>
    start(const std::shared_ptr<Base::UserDefaults>& suite, const QString& key,
          ObservationOptions options, Subscriber subscriber);

    // Removes the observer first, then lets go of the subscriber.
    void cancel();

private:
    explicit DefaultsSubscription(Subscriber subscriber) : m_subscriber(std::move(subscriber)) {}
    void receive(const BaseChange& change) const;

    mutable std::mutex m_mutex;
    Subscriber m_subscriber;
    std::shared_ptr<DefaultsObservation> m_observation;
};

// The raw changes of one key name in one suite.
class DefaultsPublisher {
public:
    DefaultsPublisher(std::shared_ptr<Base::UserDefaults> suite, QString key,
                      ObservationOptions options = {})
        : m_suite(std::move(suite)), m_key(std::move(key)), m_options(options) {}

    [[nodiscard]] Cancellable subscribe(DefaultsSubscription::Subscriber subscriber) const;

private:
    std::shared_ptr<Base::UserDefaults> m_suite;
    QString m_key;
    ObservationOptions m_options;
};

// The typed changes of a key; a missing or unreadable stored value reads as the default.
template <class T>
Publisher<KeyChange<T>> publisher(const Key<T>& key, ObservationOptions options = {}) {
    return Publisher<KeyChange<T>>(
        [source = DefaultsPublisher(key.suite(), key.name(), options), key](auto subscriber) {
            return source.subscribe([key, subscriber](const BaseChange& change) {
                subscriber(keyChange(change, key));
            });
        });
}

// One bare signal per change of any of the keys; nothing at all for no keys.
Publisher<std::monostate> publisher(const QList<AnyKey>& keys, ObservationOptions options = {});

} // namespace Defaults
