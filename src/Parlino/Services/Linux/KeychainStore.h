#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Services/SecretStore.h"
#include "Parlino/Services/StoreReach.h"

#include <QString>

#include <functional>
#include <memory>

namespace Parlino {

class CallQueue;
class KeyringUnlock;
class SecretServiceWatch;
struct StoreOutcome;

// The API key as one item of the desktop's Secret Service (GNOME Keyring, KWallet…), with the
// attributes "service" and "account". Reads never prompt: an item in a locked collection reads
// as locked. A write into a locked keyring has the service ask the user to unlock it
// (KeyringUnlock), and one into a service without a default keyring asks it to make one
// (DefaultKeyringRequest); either prompt is waited for as long as it stands, and while the unlock
// prompt is up a read that finds no key to use says that the keyring waits for the user. Every
// call to libsecret is asynchronous and given up after a time-out; the caller then hears of the
// time-out, but the call is heard out for `lateAnswerSeconds` more, since an answer after all
// tells that the service answers again. Calls are made one after another, in the order asked; one
// given up lets the next begin. Whoever waits to hear of a change is told of what
// SecretServiceWatch hears, of the unlock prompt coming up or ending, and of an answer after the
// store was out of reach.
//
// libsecret is driven from the thread that runs GLib's default main context (Base::GlibThread);
// every completion runs on the main thread.
class KeychainStore final : public SecretStore {
public:
    static inline const QString appService = QStringLiteral("com.parlino.app");
    static constexpr double defaultTimeoutSeconds = 10;
    static constexpr double lateAnswerSeconds = 60;

    explicit KeychainStore(QString service, Base::Scheduler& scheduler,
                           double timeoutSeconds = defaultTimeoutSeconds);

    const QString& service() const { return m_service; }

    void lookup(const QString& account, ReadCompletion completion,
                std::stop_token cancel = {}) override;
    void write(const QString& account, const QString& value, WriteCompletion completion,
               std::stop_token cancel = {}) override;
    void remove(const QString& account, DeleteCompletion completion,
                std::stop_token cancel = {}) override;
    void whenMayAnswerOtherwise(std::function<void()> changed,
                                std::stop_token cancel = {}) override;

private:
    // Delivers notFound when the service has a default keyring, else the error that says why not.
    void checkKeyring(std::shared_ptr<ReadCompletion> deliver, std::stop_token cancel);
    // What a read that found no key to use says while the desktop asks the user to unlock.
    KeychainReadResult duringUnlock(KeychainReadResult result) const;
    // Stores the key into the default keyring: `finish` hears the outcome (noKeyring when there is
    // none, locked with the keyring's path when it is locked), `timedOut` the time-out.
    void storeItem(const QString& account, const QString& value,
                   std::function<void(StoreOutcome)> finish, std::function<void()> timedOut,
                   std::stop_token cancel);

    QString m_service;
    Base::Scheduler& m_scheduler;
    double m_timeoutSeconds;
    // Shared by the copies that finish a call (the queue only on the GLib thread), and by the
    // watch of the service.
    std::shared_ptr<CallQueue> m_calls;
    std::shared_ptr<StoreReach> m_reach;
    std::shared_ptr<SecretServiceWatch> m_watch;
    std::shared_ptr<KeyringUnlock> m_unlock;
};

} // namespace Parlino
