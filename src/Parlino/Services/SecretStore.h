#pragma once

#include "Base/Result.h"

#include <QString>

#include <functional>
#include <stop_token>

namespace Parlino {

// Result codes of the key store, signed 32-bit like the keychain's own.
namespace KeychainStatus {
inline constexpr qint32 success = 0;
inline constexpr qint32 locked = -1;      // the item exists but its collection is locked
inline constexpr qint32 unavailable = -2; // no secret service on the session bus, or no bus
inline constexpr qint32 timedOut = -3;    // the secret service did not answer in time
inline constexpr qint32 failed = -4;      // the secret service reported an error
inline constexpr qint32 noKeyring = -5;   // the secret service holds no default keyring
inline constexpr qint32 dismissed = -6;   // the keyring the service was asked to make was not made:
                                          // its prompt was dismissed
inline constexpr qint32 awaitingUnlock = -7; // the keyring is locked, and the desktop's prompt to
                                             // unlock it waits for the user
inline constexpr qint32 unusable = -8;       // the item holds bytes that are not text

// A status that says the store itself was out of reach: no secret service, or none answering in
// time. A key may well be saved. A service without a default keyring answers: no key is saved
// there, and it stays so until the service announces a new keyring.
inline bool isStoreAway(qint32 status) {
    return status == unavailable || status == timedOut;
}
} // namespace KeychainStatus

// The outcome of reading the key.
class KeychainReadResult {
public:
    enum class Kind { found, locked, notFound, error };

    static KeychainReadResult found(QString text) {
        KeychainReadResult result(Kind::found);
        result.m_text = std::move(text);
        return result;
    }
    static KeychainReadResult locked(qint32 status) { return {Kind::locked, status}; }
    static KeychainReadResult notFound() { return KeychainReadResult(Kind::notFound); }
    static KeychainReadResult error(qint32 status) { return {Kind::error, status}; }

    Kind kind() const { return m_kind; }
    // The key of a found result.
    const QString& text() const { return m_text; }
    // The status of a locked or error result.
    qint32 status() const { return m_status; }
    // An error that says the store itself was out of reach (KeychainStatus::isStoreAway).
    bool isStoreAway() const {
        return m_kind == Kind::error && KeychainStatus::isStoreAway(m_status);
    }

    friend bool operator==(const KeychainReadResult&, const KeychainReadResult&) = default;

private:
    KeychainReadResult(Kind kind, qint32 status = KeychainStatus::success)
        : m_kind(kind), m_status(status) {}

    Kind m_kind;
    QString m_text;
    qint32 m_status;
};

// A write that did not store the key; the item that was there before stays.
struct KeychainWriteError {
    qint32 status;
    friend bool operator==(const KeychainWriteError&, const KeychainWriteError&) = default;
};

// A delete that did not remove the key; a later read still finds it.
struct KeychainDeleteError {
    qint32 status;
    friend bool operator==(const KeychainDeleteError&, const KeychainDeleteError&) = default;
};

// The store of the API key: one secret per (service, account). Every completion runs later on
// the main thread, exactly once, unless `cancel` is stopped first; then never. Main thread only.
class SecretStore {
public:
    using ReadCompletion = std::function<void(KeychainReadResult)>;
    using WriteCompletion = std::function<void(Base::Result<void, KeychainWriteError>)>;
    using DeleteCompletion = std::function<void(Base::Result<void, KeychainDeleteError>)>;

    virtual ~SecretStore() = default;

    // Reads the key without ever asking the user to unlock anything.
    virtual void lookup(const QString& account, ReadCompletion completion,
                        std::stop_token cancel = {}) = 0;
    // Adds the key, or replaces the data of the item that holds it.
    virtual void write(const QString& account, const QString& value, WriteCompletion completion,
                       std::stop_token cancel = {}) = 0;
    // Removes the key; removing a key that is not there succeeds.
    virtual void remove(const QString& account, DeleteCompletion completion,
                        std::stop_token cancel = {}) = 0;

    // Runs `changed` once, when the store may answer otherwise than it did: after it was out of
    // reach, a call it gave up on answers after all or another call is answered; the secret
    // service comes back on the bus, announces a keyring or an item made, deleted or changed, or a
    // keyring locked or unlocked; a prompt to unlock the keyring comes up or ends. Never once
    // `cancel` is stopped. A store that never changes never runs it.
    virtual void whenMayAnswerOtherwise(std::function<void()> changed, std::stop_token cancel = {});

    // What every caller uses: lookup() with locked items and errors logged.
    void read(const QString& account, ReadCompletion completion, std::stop_token cancel = {});
};

} // namespace Parlino
