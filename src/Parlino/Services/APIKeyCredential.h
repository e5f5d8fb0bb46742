#pragma once

#include "Parlino/Services/SecretStore.h"
#include "TTS/Endpoint.h"

#include <QString>
#include <QUrl>

namespace Parlino {

// The key store's account of the service's API key.
inline const QString apiKeyAccount = QStringLiteral("elevenlabs-api-key");

// The credential of every request made with the saved key: it reads the key store each time it
// is asked. Without a saved key the request fails as noKey, else with the error of the keyring's
// state (keyringError); either way nothing is sent. The store must outlive every request.
TTS::Endpoint::Credential apiKeyCredential(SecretStore& store);
// Why a read of the key store that found no key gives none, as the credential fails with it.
Core::TTSError keyReadError(const KeychainReadResult& result);

// The service's web page where the user makes and copies API keys.
QUrl apiKeysPage();

} // namespace Parlino
