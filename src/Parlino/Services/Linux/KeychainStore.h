#pragma once

#include "Base/Scheduler.h"
#include "Parlino/Services/SecretStore.h"
#include "Parlino/Services/StoreReach.h"

#include <QString>

#include <memory>

namespace Parlino {

class CallQueue;
class SecretServiceWatch;

// The API key as one item of the desktop's Secret Service (GNOME Keyring, KWallet…), with the
// attributes "service" and "account". Reads never prompt: an item in a locked collection reads
// as locked; a write into a locked keyring has the service ask the user to unlock it, and one into
// a service without a default keyring asks it to make one (DefaultKeyringRequest). Every call
// is asynchronous and given up after a time-out; the caller then hears of the time-out, but the
// call is heard out for `lateAnswerSeconds` more, since an answer after all tells that the
// service answers again. Calls are made one after another, in the order asked. Whoever waits for
// that is told also when the service answers a call that waits for it unbounded, or a keyring of it
// is unlocked (SecretServiceWatch).
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
    void whenAnsweringAgain(std::function<void()> answering, std::stop_token cancel = {}) override;

private:
    // Delivers notFound when the service has a default keyring, else the error that says why not.
    void checkKeyring(std::shared_ptr<ReadCompletion> deliver, std::stop_token cancel);
    // Stores the key into the default keyring: `finish` hears the status (noKeyring when there is
    // none), `timedOut` the time-out.
    void storeItem(const QString& account, const QString& value, std::function<void(qint32)> finish,
                   std::function<void()> timedOut, std::stop_token cancel);

    QString m_service;
    Base::Scheduler& m_scheduler;
    double m_timeoutSeconds;
    // Shared by the copies that finish a call (the queue only on the GLib thread), and by the
    // watch of the service.
    std::shared_ptr<CallQueue> m_calls;
    std::shared_ptr<StoreReach> m_reach;
    std::shared_ptr<SecretServiceWatch> m_watch;
};

} // namespace Parlino
