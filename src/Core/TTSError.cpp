#include "Core/TTSError.h"

namespace Core {

bool TTSError::isRetryable() const {
    return m_kind == Kind::network ||
           (m_kind == Kind::providerFault && (m_status == 429 || m_status >= 500));
}

bool TTSError::isVoiceRejection() const {
    return (m_kind == Kind::providerFault && m_status == 404) ||
           m_kind == Kind::accountInProbation || m_kind == Kind::insufficientPermissions;
}

} // namespace Core
