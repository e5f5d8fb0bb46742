#pragma once

#include "Base/AsyncStream.h"
#include "Base/MainThread.h"
#include "Defaults/Observation.h"

#include <tuple>
#include <variant>

namespace Defaults {

// A stream of settings values; it never fails. Elements are buffered without bound and reach
// the consumer on the main thread. When the consumer cancels or drops it, the observation
// behind it ends on the main thread.
template <class T> using UpdateStream = Base::AsyncStream<T, std::monostate>;

namespace detail {

template <class T>
void endObservationsOnCancel(typename UpdateStream<T>::Continuation& continuation,
                             QList<std::shared_ptr<DefaultsObservation>> observations) {
    continuation.onCancel([observations = std::move(observations)] {
        Base::MainThread::post([observations] {
            for (const auto& observation : observations)
                observation->invalidate();
        });
    });
}

template <class... T> std::tuple<T...> currentValues(const std::tuple<Key<T>...>& keys) {
    return std::apply([](const auto&... key) { return std::tuple<T...>(get(key)...); }, keys);
}

} // namespace detail

// The key's value after each write or removal (the default when nothing is stored), equal
// values included. With `initial`, the current value comes first.
template <class T> UpdateStream<T> updates(const Key<T>& key, bool initial = true) {
    auto [stream, continuation] = UpdateStream<T>::make();
    auto observation = DefaultsObservation::make(
        key.suite(), key.name(),
        [continuation, key](const SuiteKeyPair&, const BaseChange& change) mutable {
            continuation.yield(valueOrDefault(change.newValue, key));
        });
    detail::endObservationsOnCancel<T>(continuation, {observation});
    observation->start(initial ? ObservationOption::initial : ObservationOptions());
    return std::move(stream);
}

// Every key's current value after each change of any of them. With `initial`, the current
// values come first.
template <class... T>
UpdateStream<std::tuple<T...>> updates(const std::tuple<Key<T>...>& keys, bool initial = true) {
    auto [stream, continuation] = UpdateStream<std::tuple<T...>>::make();
    if (initial)
        continuation.yield(detail::currentValues(keys));
    QList<std::shared_ptr<DefaultsObservation>> observations;
    std::apply(
        [&](const auto&... key) {
            (observations.append(DefaultsObservation::make(
                 key.suite(), key.name(),
                 [continuation, keys](const SuiteKeyPair&, const BaseChange&) mutable {
                     continuation.yield(detail::currentValues(keys));
                 })),
             ...);
        },
        keys);
    detail::endObservationsOnCancel<std::tuple<T...>>(continuation, observations);
    for (const auto& observation : observations)
        observation->start({});
    return std::move(stream);
}

// One empty element per change of any of the keys. With `initial`, one element comes first.
UpdateStream<std::monostate> updates(const QList<AnyKey>& keys, bool initial = true);

} // namespace Defaults
