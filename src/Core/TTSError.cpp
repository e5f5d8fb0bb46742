#include "Core/TTSError.h"

namespace Core {

QString TTSError::kindName() const {
    switch (m_kind) {
    case Kind::network:
        return QStringLiteral("network");
    case Kind::providerFault:
        return QStringLiteral("providerFault");
    case Kind::unauthorized:
        return QStringLiteral("unauthorized");
    case Kind::accountInProbation:
        return QStringLiteral("accountInProbation");
    case Kind::insufficientCredits:
        return QStringLiteral("insufficientCredits");
    case Kind::insufficientPermissions:
        return QStringLiteral("insufficientPermissions");
    case Kind::entitlementExceeded:
        return QStringLiteral("entitlementExceeded");
    case Kind::textTooLong:
        return QStringLiteral("textTooLong");
    case Kind::noKey:
        return QStringLiteral("noKey");
    case Kind::keyUnreadable:
        return QStringLiteral("keyUnreadable");
    case Kind::keyLocked:
        return QStringLiteral("keyLocked");
    case Kind::keyringUnavailable:
        return QStringLiteral("keyringUnavailable");
    case Kind::noKeyring:
        return QStringLiteral("noKeyring");
    case Kind::keyringAwaitingUnlock:
        return QStringLiteral("keyringAwaitingUnlock");
    case Kind::keyUnusable:
        return QStringLiteral("keyUnusable");
    case Kind::audioOutputLost:
        return QStringLiteral("audioOutputLost");
    }
    return {};
}

bool TTSError::isRetryable() const {
    return (m_kind == Kind::network && !m_unanswered) ||
           (m_kind == Kind::providerFault && (m_status == 429 || m_status >= 500));
}

bool TTSError::isVoiceRejection() const {
    return (m_kind == Kind::providerFault && m_status == 404) ||
           m_kind == Kind::accountInProbation || m_kind == Kind::insufficientPermissions;
}

} // namespace Core
