#pragma once

#include "Core/TTSError.h"
#include "Parlino/Services/SecretStore.h"

#include <QString>

#include <optional>

namespace Parlino {

// What keeps a saved key from being read, told in the same words wherever it shows: the settings
// panes, the panel's failure row.
enum class KeyringState {
    away,           // no keyring service, or none answering in time
    locked,         // the keyring that holds the key is locked
    failing,        // the keyring service reported an error
    noDefault,      // the keyring service runs but holds no default keyring
    awaitingUnlock, // the keyring is locked, and the desktop's prompt asks the user to unlock it
    unusableKey,    // the saved key is not text
};

// None for a read that found the key or found none.
std::optional<KeyringState> keyringStateOf(const KeychainReadResult& result);
// None for an error that is not the key store's.
std::optional<KeyringState> keyringStateOf(const Core::TTSError& error);
// The error with which a request fails when the key store is in `state`.
Core::TTSError keyringError(KeyringState state);

QString keyringStateText(KeyringState state);

} // namespace Parlino
