#include "Parlino/Services/KeyringState.h"

#include <QCoreApplication>

namespace Parlino {

std::optional<KeyringState> keyringStateOf(const KeychainReadResult& result) {
    switch (result.kind()) {
    case KeychainReadResult::Kind::found:
    case KeychainReadResult::Kind::notFound:
        return std::nullopt;
    case KeychainReadResult::Kind::locked:
        return KeyringState::locked;
    case KeychainReadResult::Kind::error:
        if (result.isStoreAway())
            return KeyringState::away;
        return result.status() == KeychainStatus::noKeyring ? KeyringState::noDefault
                                                            : KeyringState::failing;
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
    }
    Q_UNREACHABLE();
}

} // namespace Parlino
