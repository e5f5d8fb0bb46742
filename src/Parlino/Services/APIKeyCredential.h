#pragma once

#include "Parlino/Services/SecretStore.h"
#include "TTS/Endpoint.h"

#include <QString>
#include <QUrl>

namespace Parlino {

// The key store's account of the service's API key.
inline const QString apiKeyAccount = QStringLiteral("elevenlabs-api-key");

// The credential of every request made with the saved key: it reads the key store each time it
// is asked. Without a saved key the request fails as noKey, with a store that cannot be reached as
// keyringUnavailable, with one that is locked or failing as keyUnreadable; either way nothing is
// sent. The store must outlive every request.
TTS::Endpoint::Credential apiKeyCredential(SecretStore& store);
// Why a read of the key store that found no key gives none, as the credential fails with it.
Core::TTSError keyReadError(const KeychainReadResult& result);

// What the settings panes say while the key store is out of reach, where the panel's failure row
// says "The keyring isn't available — start it and retry.".
inline const QString keyringAwayMessage =
    QStringLiteral("The keyring isn't available — check that your desktop's keyring is running.");

// What the settings panes say when the key store answers but cannot hand the key over: a locked
// keyring, or one that fails.
inline const QString keyringUnreadableMessage =
    QStringLiteral("Couldn't read the keyring — unlock it and try again.");

// The service's web page where the user makes and copies API keys.
QUrl apiKeysPage();

} // namespace Parlino
