#include "Parlino/Settings/UsagePaneModel.h"

#include "Parlino/Style/NumberText.h"

#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/KeyringState.h"
#include "TTS/ElevenLabsClient.h"

#include <QLocale>

#include <algorithm>

namespace Parlino {

namespace {

using Core::TTSError;

UsagePaneModel::UsageState stateOf(const Base::Result<TTS::KeyValidation, TTSError>& result) {
    using State = UsagePaneModel::UsageState;
    if (result) {
        if (const auto& quota = result->quota())
            return State::loaded(*quota);
        return State::error(
            QStringLiteral("This key can't read account usage, but text-to-speech still works."));
    }
    switch (result.error().kind()) {
    case TTSError::Kind::unauthorized:
        return State::error(QStringLiteral(
            "That key was rejected by ElevenLabs — double-check it in the API Key pane."));
    case TTSError::Kind::noKey:
        return State::noKey();
    case TTSError::Kind::keyUnreadable:
    case TTSError::Kind::keyLocked:
    case TTSError::Kind::keyringUnavailable:
    case TTSError::Kind::noKeyring:
    case TTSError::Kind::keyringAwaitingUnlock:
    case TTSError::Kind::keyUnusable:
        return State::error(keyringStateText(*keyringStateOf(result.error())));
    case TTSError::Kind::accountInProbation:
        return State::error(QStringLiteral(
            "ElevenLabs has your cloned voices on hold — Built-in voices still work."));
    case TTSError::Kind::insufficientCredits:
        return State::error(
            QStringLiteral("Your ElevenLabs account is out of credits — add credits or upgrade."));
    case TTSError::Kind::network:
    case TTSError::Kind::providerFault:
    case TTSError::Kind::insufficientPermissions:
    case TTSError::Kind::entitlementExceeded:
    case TTSError::Kind::textTooLong:
    case TTSError::Kind::audioOutputLost:
        return State::error(
            QStringLiteral("Couldn't reach ElevenLabs — check your connection and try again."));
    }
    Q_UNREACHABLE();
}

} // namespace

UsagePaneModel::UsagePaneModel(SecretStore& store, QUrl serviceBaseURL,
                               QNetworkAccessManager& session, QObject* parent)
    : QObject(parent), m_store(store), m_serviceBaseURL(std::move(serviceBaseURL)),
      m_session(session) {}

UsagePaneModel::~UsagePaneModel() {
    m_lifetime.request_stop();
}

void UsagePaneModel::load() {
    m_store.read(
        apiKeyAccount,
        [this](const KeychainReadResult& result) {
            if (result.kind() != KeychainReadResult::Kind::found)
                return setState(stateOf(Base::failure(keyReadError(result))));
            setState(UsageState::loading());
            // The credential reads the store again when the request goes out.
            const TTS::ElevenLabsClient client(
                TTS::Endpoint{m_serviceBaseURL, apiKeyCredential(m_store)}, m_session,
                {m_answers, *this});
            client.validateKey(
                [this](const Base::Result<TTS::KeyValidation, TTSError>& outcome) {
                    setState(stateOf(outcome));
                },
                m_lifetime.get_token());
        },
        m_lifetime.get_token());
}

QString UsagePaneModel::usageText(const TTS::KeyQuota& quota) {
    // Isolated, the two numbers keep their order around the slash in any direction.
    return QStringLiteral("%1 / %2 characters used this month")
        .arg(NumberText::isolated(NumberText::grouped(quota.used)),
             NumberText::isolated(NumberText::grouped(quota.limit)));
}

double UsagePaneModel::fillFraction(const TTS::KeyQuota& quota) {
    const double total = std::max(double(quota.limit), 1.0);
    return std::clamp(double(quota.used) / total, 0.0, 1.0);
}

void UsagePaneModel::setState(UsageState state) {
    if (state == m_state)
        return;
    m_state = std::move(state);
    emit stateChanged();
}

} // namespace Parlino
