#include "Parlino/Services/VoicesModel.h"

#include <QPointer>

namespace Parlino {

namespace {

constexpr qsizetype recentLimit = 6;

VoicesModel::FailureKind failureKind(const Core::TTSError& error) {
    switch (error.kind()) {
    case Core::TTSError::Kind::network:
        return VoicesModel::FailureKind::network;
    case Core::TTSError::Kind::insufficientPermissions:
        return VoicesModel::FailureKind::permission;
    default:
        return VoicesModel::FailureKind::other;
    }
}

// The state a cancelled refresh leaves behind: a settled state as it was, else idle.
VoicesModel::FetchState restored(const VoicesModel::FetchState& previous) {
    using Kind = VoicesModel::FetchState::Kind;
    if (previous.kind() == Kind::loaded || previous.kind() == Kind::failed)
        return previous;
    return VoicesModel::FetchState::idle();
}

} // namespace

VoicesModel::VoicesModel(std::function<bool()> hasKey, Fetch fetch, QObject* parent)
    : QObject(parent), m_hasKey(std::move(hasKey)), m_fetch(std::move(fetch)) {}

void VoicesModel::refresh(std::stop_token cancel) {
    const qint64 generation = m_fetchGeneration + 1;
    setFetchGeneration(generation);
    if (!m_hasKey()) {
        setState(FetchState::failed(FailureKind::noKey));
        return;
    }
    const FetchState previous = m_state;
    setState(FetchState::loading());
    m_fetch([self = QPointer(this), generation, previous, cancel](FetchResult result) {
        if (!self)
            return;
        self->finish(generation, previous, cancel,
                     result ? FetchState::loaded(std::move(result).value())
                            : FetchState::failed(failureKind(result.error())));
    });
}

void VoicesModel::finish(qint64 generation, const FetchState& previous,
                         const std::stop_token& cancel, FetchState outcome) {
    if (generation != m_fetchGeneration)
        return;
    setState(cancel.stop_requested() ? restored(previous) : std::move(outcome));
}

QSet<QString> VoicesModel::onHoldVoiceIDs() const {
    QSet<QString> ids;
    for (const auto& voice : m_state.voices())
        if (voice.requiresCaptcha())
            ids.insert(voice.id);
    return ids;
}

QSet<QString> VoicesModel::voiceIDSet(const QList<TTS::Voice>& voices) {
    QSet<QString> ids;
    for (const auto& voice : voices)
        ids.insert(voice.id);
    return ids;
}

QStringList VoicesModel::insertingRecent(const QString& id, QStringList list) {
    list.removeAll(id);
    list.prepend(id);
    return list.mid(0, recentLimit);
}

QStringList VoicesModel::removingVoice(const QString& id, QStringList list) {
    list.removeAll(id);
    return list;
}

QString VoicesModel::revertTarget(const QString& current, const QStringList& list,
                                  const QSet<QString>& onHold, const QString& fallback) {
    for (const QString& id : list)
        if (id != current && !onHold.contains(id))
            return id;
    return fallback;
}

void VoicesModel::selectVoice(const QString& id, const SettingsKeys& keys) {
    Defaults::set(keys.voiceID, id);
    Defaults::set(keys.recentVoiceIDs, insertingRecent(id, Defaults::get(keys.recentVoiceIDs)));
}

void VoicesModel::setState(FetchState state) {
    if (state == m_state)
        return;
    m_state = std::move(state);
    emit stateChanged();
}

void VoicesModel::setFetchGeneration(qint64 generation) {
    if (generation == m_fetchGeneration)
        return;
    m_fetchGeneration = generation;
    emit fetchGenerationChanged();
}

} // namespace Parlino
