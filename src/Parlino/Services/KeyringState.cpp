#include "Parlino/Services/KeyringState.h"

#include <QCoreApplication>

namespace Parlino {

std::optional<KeyringState> keyringStateOf(const KeychainReadResult& result) {
    switch (result.kind()) {
    case KeychainReadResult::Kind::found:
    case KeychainReadResult::Kind::notFound:
        return std::nullopt;
    case KeychainReadResult::Kind::locked:
        return result.status() == KeychainStatus::awaitingUnlock ? KeyringState::awaitingUnlock
                                                                 : KeyringState::locked;
    case KeychainReadResult::Kind::error:
        if (result.isStoreAway())
            return KeyringState::away;
        switch (result.status()) {
        case KeychainStatus::noKeyring:
            return KeyringState::noDefault;
        case KeychainStatus::unusable:
            return KeyringState::unusableKey;
        default:
            return KeyringState::failing;
        }
    }
    Q_UNREACHABLE();
}

std::optional<KeyringState> keyringStateOf(const Core::TTSError& error) {
    using Kind = Core::TTSError::Kind;
    switch (error.kind()) {
    case Kind::keyringUnavailable:
        return KeyringState::away;
    case Kind::keyLocked:
        return KeyringState::locked;
    case Kind::keyUnreadable:
        return KeyringState::failing;
    case Kind::noKeyring:
        return KeyringState::noDefault;
    case Kind::keyringAwaitingUnlock:
        return KeyringState::awaitingUnlock;
    case Kind::keyUnusable:
        return KeyringState::unusableKey;
    default:
        return std::nullopt;
    }
}

Core::TTSError keyringError(KeyringState state) {
    switch (state) {
    case KeyringState::away:
        return Core::TTSError::keyringUnavailable();
    case KeyringState::locked:
        return Core::TTSError::keyLocked();
    case KeyringState::failing:
        return Core::TTSError::keyUnreadable();
    case KeyringState::noDefault:
        return Core::TTSError::noKeyring();
    case KeyringState::awaitingUnlock:
        return Core::TTSError::keyringAwaitingUnlock();
    case KeyringState::unusableKey:
        return Core::TTSError::keyUnusable();
    }
    Q_UNREACHABLE();
}

QString keyringStateText(KeyringState state) {
    const auto tr = [](const char* text) {
        return QCoreApplication::translate("KeyringState", text);
    };
    switch (state) {
    case KeyringState::away:
        return tr("The keyring isn't available — check that it's running.");
    case KeyringState::locked:
        return tr("Your keyring is locked — unlock it to use your saved key.");
    case KeyringState::failing:
        return tr("The keyring reported an error — try again in a moment.");
    case KeyringState::noDefault:
        return tr("No default keyring yet — saving a key asks to make one.");
    case KeyringState::awaitingUnlock:
        return tr("Your keyring is waiting for you to unlock it in its prompt.");
    case KeyringState::unusableKey:
        return tr("The saved key can't be used — saving a new key replaces it.");
    }
    Q_UNREACHABLE();
}

} // namespace Parlino
