#include "Parlino/Services/APIKeyCredential.h"

#include "Parlino/Services/KeyringState.h"

namespace Parlino {

Core::TTSError keyReadError(const KeychainReadResult& result) {
    const auto state = keyringStateOf(result);
    return state ? keyringError(*state) : Core::TTSError::noKey();
}

TTS::Endpoint::Credential apiKeyCredential(SecretStore& store) {
    return [&store](TTS::Endpoint::KeyHandler handler) {
        store.read(apiKeyAccount, [handler = std::move(handler)](KeychainReadResult result) {
            if (result.kind() == KeychainReadResult::Kind::found)
                return handler(result.text());
            handler(Base::failure(keyReadError(result)));
        });
    };
}

QUrl apiKeysPage() {
    static const QUrl page(QStringLiteral("https://elevenlabs.io/app/settings/api-keys"));
    return page;
}

} // namespace Parlino
