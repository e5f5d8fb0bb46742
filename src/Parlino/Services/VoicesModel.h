#pragma once

#include "Base/Result.h"
#include "Core/TTSError.h"
#include "Parlino/Services/SettingsKeys.h"
#include "TTS/Voice.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <stop_token>

namespace Parlino {

// The voices the service offers the account, as the voices browser and the voice pane show
// them, with the state of their loading. Main thread only.
class VoicesModel : public QObject {
    Q_OBJECT

public:
    // Why loading failed; the views pick their fixed message from it.
    enum class FailureKind { noKey, network, permission, other };

    class FetchState {
    public:
        enum class Kind { loaded, failed, idle, loading };

        static FetchState loaded(QList<TTS::Voice> voices) {
            FetchState state(Kind::loaded);
            state.m_voices = std::move(voices);
            return state;
        }
        static FetchState failed(FailureKind failure) {
            FetchState state(Kind::failed);
            state.m_failure = failure;
            return state;
        }
        static FetchState idle() { return FetchState(Kind::idle); }
        static FetchState loading() { return FetchState(Kind::loading); }

        Kind kind() const { return m_kind; }
        // The voices of a loaded state, in the service's order; empty otherwise.
        const QList<TTS::Voice>& voices() const { return m_voices; }
        // The reason of a failed state.
        FailureKind failure() const { return m_failure; }

        friend bool operator==(const FetchState&, const FetchState&) = default;

    private:
        explicit FetchState(Kind kind) : m_kind(kind) {}

        Kind m_kind;
        QList<TTS::Voice> m_voices;
        FailureKind m_failure = FailureKind::other;
    };

    using FetchResult = Base::Result<QList<TTS::Voice>, Core::TTSError>;
    // Requests the voice list; calls its argument once, on the main thread, with the answer.
    using Fetch = std::function<void(std::function<void(FetchResult)>)>;

    VoicesModel(std::function<bool()> hasKey, Fetch fetch, QObject* parent = nullptr);

    const FetchState& state() const { return m_state; }
    // The number of the latest refresh; never goes down.
    qint64 fetchGeneration() const { return m_fetchGeneration; }

    // Loads the list again. A newer refresh makes this one's answer stale; when `cancel` is
    // requested before the answer arrives, the state goes back to what it was (a loading or
    // idle state to idle).
    void refresh(std::stop_token cancel = {});

    // The loaded voices on hold (their safety control is "CAPTCHA"); empty unless loaded.
    QSet<QString> onHoldVoiceIDs() const;

    static QSet<QString> voiceIDSet(const QList<TTS::Voice>& voices);
    // `id` moved (or added) to the front, without duplicates, at most 6 entries.
    static QStringList insertingRecent(const QString& id, QStringList list);
    // `list` without any entry equal to `id`, order kept.
    static QStringList removingVoice(const QString& id, QStringList list);
    // The first voice of `list` that is neither `current` nor on hold, else `fallback`.
    static QString revertTarget(const QString& current, const QStringList& list,
                                const QSet<QString>& onHold, const QString& fallback);
    // Stores the voice as the chosen one and puts it first among the recent voices.
    static void selectVoice(const QString& id, const SettingsKeys& keys = SettingsKeys::shared());

signals:
    void stateChanged();
    void fetchGenerationChanged();

private:
    void setState(FetchState state);
    void setFetchGeneration(qint64 generation);
    void finish(qint64 generation, const FetchState& previous, const std::stop_token& cancel,
                FetchState outcome);

    FetchState m_state = FetchState::idle();
    qint64 m_fetchGeneration = 0;
    const std::function<bool()> m_hasKey;
    const Fetch m_fetch;
};

} // namespace Parlino
