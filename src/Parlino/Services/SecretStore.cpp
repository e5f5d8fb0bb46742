#include "Parlino/Services/SecretStore.h"

#include "Base/Log.h"

namespace Parlino {

namespace {
const Base::Log log(QStringLiteral("keychain"));
}

void SecretStore::whenMayAnswerOtherwise(std::function<void()>, std::stop_token) {}

void SecretStore::read(const QString& account, ReadCompletion completion, std::stop_token cancel) {
    lookup(
        account,
        [completion = std::move(completion)](KeychainReadResult result) {
            if (result.kind() == KeychainReadResult::Kind::locked)
                log.error("keychain read locked (the keyring holding the item is locked): "
                          "OSStatus=%{public}d",
                          result.status());
            else if (result.kind() == KeychainReadResult::Kind::error)
                log.error("keychain read error: OSStatus=%{public}d", result.status());
            completion(std::move(result));
        },
        std::move(cancel));
}

} // namespace Parlino
