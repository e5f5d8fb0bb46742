#pragma once

#include "Base/MainThread.h"
#include "Parlino/Services/SecretStore.h"
#include "Parlino/Services/StoreReach.h"

#include <QHash>

#include <optional>
#include <utility>

namespace TestSupport {

// Keeps secrets in memory; answers on the main thread after the call, like the real store.
// `nextLookup` replaces the answer of the next lookup (a locked item, an error); while
// `writeError` or `removeError` is set, writes or removals fail with it and change nothing.
// Those who wait for the store to answer again wait on `reach`; `lookups` counts the lookups.
class FakeSecretStore : public Parlino::SecretStore {
public:
    void lookup(const QString& account, ReadCompletion completion,
                std::stop_token cancel = {}) override {
        ++lookups;
        auto result = secrets.contains(account)
                          ? Parlino::KeychainReadResult::found(secrets.value(account))
                          : Parlino::KeychainReadResult::notFound();
        if (nextLookup)
            result = *std::exchange(nextLookup, std::nullopt);
        answer(std::move(completion), std::move(result), std::move(cancel));
    }
    void write(const QString& account, const QString& value, WriteCompletion completion,
               std::stop_token cancel = {}) override {
        using Outcome = Base::Result<void, Parlino::KeychainWriteError>;
        if (writeError)
            return answer(std::move(completion), Outcome(Base::failure(*writeError)),
                          std::move(cancel));
        secrets.insert(account, value);
        answer(std::move(completion), Outcome(), std::move(cancel));
    }
    void remove(const QString& account, DeleteCompletion completion,
                std::stop_token cancel = {}) override {
        using Outcome = Base::Result<void, Parlino::KeychainDeleteError>;
        if (removeError)
            return answer(std::move(completion), Outcome(Base::failure(*removeError)),
                          std::move(cancel));
        secrets.remove(account);
        answer(std::move(completion), Outcome(), std::move(cancel));
    }

    void whenMayAnswerOtherwise(std::function<void()> answering,
                                std::stop_token cancel = {}) override {
        reach.wait(std::move(answering), std::move(cancel));
    }

    QHash<QString, QString> secrets;
    Parlino::StoreReach reach;
    std::optional<Parlino::KeychainReadResult> nextLookup;
    int lookups = 0;
    std::optional<Parlino::KeychainWriteError> writeError;
    std::optional<Parlino::KeychainDeleteError> removeError;

private:
    template <class Completion, class Value>
    static void answer(Completion completion, Value value, std::stop_token cancel) {
        Base::MainThread::post([completion = std::move(completion), value = std::move(value),
                                cancel = std::move(cancel)] {
            if (!cancel.stop_requested())
                completion(value);
        });
    }
};

} // namespace TestSupport
