#include "Parlino/Services/APIKeyCredential.h"

namespace Parlino {

TTS::Endpoint::Credential apiKeyCredential(SecretStore& store) {
    return [&store](TTS::Endpoint::KeyHandler handler) {
        store.read(apiKeyAccount, [handler = std::move(handler)](KeychainReadResult result) {
            switch (result.kind()) {
            case KeychainReadResult::Kind::found:
                return handler(result.text());
            case KeychainReadResult::Kind::notFound:
                return handler(Base::failure(Core::TTSError::noKey()));
            case KeychainReadResult::Kind::locked:
            case KeychainReadResult::Kind::error:
                return handler(Base::failure(result.isStoreAway()
                                                 ? Core::TTSError::keyringUnavailable()
                                                 : Core::TTSError::keyUnreadable()));
            }
        });
    };
}

QUrl apiKeysPage() {
    static const QUrl page(QStringLiteral("https://elevenlabs.io/app/settings/api-keys"));
    return page;
}

} // namespace Parlino
