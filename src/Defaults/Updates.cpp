#include "Defaults/Updates.h"

namespace Defaults {

UpdateStream<std::monostate> updates(const QList<AnyKey>& keys, bool initial) {
    auto [stream, continuation] = UpdateStream<std::monostate>::make();
    QList<std::shared_ptr<DefaultsObservation>> observations;
    for (const auto& key : keys)
        observations.append(DefaultsObservation::make(
            key.suite(), key.name(),
            [continuation](const SuiteKeyPair&, const BaseChange&) mutable {
                continuation.yield({});
            }));
    detail::endObservationsOnCancel<std::monostate>(continuation, observations);
    for (qsizetype i = 0; i < observations.size(); ++i)
        observations[i]->start(initial && i == 0 ? ObservationOption::initial
                                                 : ObservationOptions());
    return std::move(stream);
}

} // namespace Defaults
