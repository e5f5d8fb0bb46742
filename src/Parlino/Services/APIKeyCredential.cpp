#include "Parlino/Services/APIKeyCredential.h"

namespace Parlino {

TTS::Endpoint::Credential apiKeyCredential(SecretStore& store) {
    return [&store](TTS::Endpoint::KeyHandler handler) {
        store.read(apiKeyAccount, [handler = std::move(handler)](KeychainReadResult result) {
            if (result.kind() == KeychainReadResult::Kind::found)
                handler(result.text());
            else
                handler(Base::failure(Core::TTSError::unauthorized()));
        });
    };
}

QUrl apiKeysPage() {
    static const QUrl page(QStringLiteral("https://elevenlabs.io/app/settings/api-keys"));
    return page;
}

} // namespace Parlino
