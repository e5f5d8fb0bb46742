#pragma once

#include "Base/Worker.h"
#include "Parlino/Services/SecretStore.h"
#include "TTS/KeyValidation.h"

#include <QObject>
#include <QString>
#include <QUrl>

#include <stop_token>

class QNetworkAccessManager;

namespace Parlino {

// The usage pane: asks the service how much of the month's characters the saved key has used.
// It only reads; loads that overlap each write the state when they finish, and none outlives
// the model. Main thread only.
class UsagePaneModel : public QObject {
    Q_OBJECT

public:
    class UsageState {
    public:
        enum class Kind { loaded, error, noKey, loading };

        static UsageState loaded(TTS::KeyQuota quota) {
            UsageState state(Kind::loaded);
            state.m_quota = quota;
            return state;
        }
        static UsageState error(QString message) {
            UsageState state(Kind::error);
            state.m_message = std::move(message);
            return state;
        }
        static UsageState noKey() { return UsageState(Kind::noKey); }
        static UsageState loading() { return UsageState(Kind::loading); }

        Kind kind() const { return m_kind; }
        // The quota of a loaded state.
        const TTS::KeyQuota& quota() const { return m_quota; }
        // The message of an error state.
        const QString& message() const { return m_message; }

        friend bool operator==(const UsageState&, const UsageState&) = default;

    private:
        explicit UsageState(Kind kind) : m_kind(kind) {}

        Kind m_kind;
        TTS::KeyQuota m_quota;
        QString m_message;
    };

    static inline const QString noKeyText =
        QStringLiteral("No API key — add one in the API Key pane to see usage.");

    UsagePaneModel(SecretStore& store, QUrl serviceBaseURL, QNetworkAccessManager& session,
                   QObject* parent = nullptr);
    ~UsagePaneModel() override;

    const UsageState& state() const { return m_state; }

    // Reads the key store and, when a key is saved, asks the service for the quota.
    void load();

    // What a loaded state shows under its bar, numbers grouped for the user's locale.
    static QString usageText(const TTS::KeyQuota& quota);
    // How full the bar is, from 0 to 1; a limit of 0 counts as 1.
    static double fillFraction(const TTS::KeyQuota& quota);

signals:
    void stateChanged();

private:
    void setState(UsageState state);

    SecretStore& m_store;
    const QUrl m_serviceBaseURL;
    QNetworkAccessManager& m_session;
    UsageState m_state = UsageState::noKey();
    std::stop_source m_lifetime;
    Base::Worker m_answers; // reads the service's answers; declared last: joined first
};

} // namespace Parlino
