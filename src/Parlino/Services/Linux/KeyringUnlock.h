#pragma once

#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <stop_token>

namespace Parlino {

class SecretPrompt;

// Unlocks the keyring that the key store writes into: the Secret Service's Unlock, and the
// desktop's prompt that it shows, seen through for as long as it stands (SecretPrompt). The
// keyring unlocked otherwise meanwhile (in the desktop's passwords app) ends the wait too, and the
// prompt is left to the user. A write that asks while an unlock is under way waits for that one,
// so one prompt serves them all. Main thread only.
class KeyringUnlock final : public QObject {
    Q_OBJECT

public:
    // A KeychainStatus: success once the unlock has run its course (the caller looks again whether
    // the keyring is unlocked); locked when the prompt was dismissed, or could not be shown;
    // unavailable when the service left the bus; timedOut or failed when it did not answer the
    // request in time or refused it.
    using Done = std::function<void(qint32 status)>;

    // `promptChanged` runs when the prompt comes up and when it ends. Each call that the service
    // is sent is given `timeoutSeconds`.
    KeyringUnlock(double timeoutSeconds, std::function<void()> promptChanged);

    // Runs `done` once, later, unless `cancel` is stopped first; then never, though the unlock
    // goes on. `keyring` is the object path of the keyring.
    void unlock(const QString& keyring, Done done, std::stop_token cancel);
    // Whether the desktop's prompt to unlock the keyring is up.
    bool isPrompting() const { return !m_prompt.isNull(); }

private slots:
    void keyringChanged(const QDBusMessage& change);

private:
    struct Waiter {
        Done done;
        std::stop_token cancel;
    };

    void prompt(const QString& service, const QString& path);
    void finish(qint32 status);

    const double m_timeoutSeconds;
    const std::function<void()> m_promptChanged;
    QString m_keyring; // the keyring being unlocked; empty when none is
    QString m_service; // the unique name of the service that shows the prompt
    QList<Waiter> m_waiters;
    QPointer<SecretPrompt> m_prompt;
};

} // namespace Parlino
