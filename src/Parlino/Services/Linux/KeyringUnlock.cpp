#include "Parlino/Services/Linux/KeyringUnlock.h"

#include "Parlino/Services/Linux/SecretPrompt.h"
#include "Parlino/Services/Linux/SecretServiceBus.h"
#include "Parlino/Services/SecretStore.h"

#include "Base/Log.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusObjectPath>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("keychain"));

const QString propertiesChanged = QStringLiteral("PropertiesChanged");

} // namespace

KeyringUnlock::KeyringUnlock(double timeoutSeconds, std::function<void()> promptChanged)
    : m_timeoutSeconds(timeoutSeconds), m_promptChanged(std::move(promptChanged)) {}

void KeyringUnlock::unlock(const QString& keyring, Done done, std::stop_token cancel) {
    m_waiters.append({std::move(done), std::move(cancel)});
    if (!m_keyring.isEmpty())
        return; // under way: its outcome is this caller's too
    m_keyring = keyring;
    log.notice("keyring %{public}s is locked: asking the secret service to unlock it",
               qPrintable(keyring));
    auto message = QDBusMessage::createMethodCall(SecretServiceBus::name, SecretServiceBus::path,
                                                  SecretServiceBus::serviceInterface,
                                                  QStringLiteral("Unlock"));
    message << QVariant::fromValue(QList<QDBusObjectPath>{QDBusObjectPath(keyring)});
    SecretServiceBus::call(
        message, m_timeoutSeconds, this, "secret service did not unlock the keyring",
        [this](const QDBusMessage& reply) {
            // Unlock(objects) → (unlocked, prompt)
            const QString promptPath = reply.arguments().value(1).value<QDBusObjectPath>().path();
            if (!SecretServiceBus::isObject(promptPath))
                return finish(KeychainStatus::success);
            prompt(reply.service(), promptPath);
        },
        [this](qint32 status) { finish(status); });
}

void KeyringUnlock::prompt(const QString& service, const QString& path) {
    m_service = service;
    QDBusConnection::sessionBus().connect(m_service, m_keyring,
                                          SecretServiceBus::propertiesInterface, propertiesChanged,
                                          this, SLOT(keyringChanged(QDBusMessage)));
    m_prompt = new SecretPrompt(
        service, path, m_timeoutSeconds,
        [this](qint32 status) {
            finish(status == KeychainStatus::dismissed ? KeychainStatus::locked : status);
        },
        this);
    log.notice("secret service prompts for the keyring's password");
    m_promptChanged();
}

// PropertiesChanged(interface, changed, invalidated) of the keyring: unlocked elsewhere, it needs
// the prompt's answer no more. One already on its way when the unlock ended is of no later one.
void KeyringUnlock::keyringChanged(const QDBusMessage& change) {
    const QList<QVariant> arguments = change.arguments();
    if (!isPrompting() || change.path() != m_keyring ||
        arguments.value(0).toString() != SecretServiceBus::collectionInterface)
        return;
    const auto changed = qdbus_cast<QVariantMap>(arguments.value(1));
    const QVariant locked = changed.value(QStringLiteral("Locked"));
    if (locked.isValid() && !locked.toBool()) {
        log.notice("keyring unlocked while its prompt waits: leaving the prompt to the user");
        finish(KeychainStatus::success);
    }
}

void KeyringUnlock::finish(qint32 status) {
    if (!m_service.isEmpty())
        QDBusConnection::sessionBus().disconnect(
            std::exchange(m_service, {}), m_keyring, SecretServiceBus::propertiesInterface,
            propertiesChanged, this, SLOT(keyringChanged(QDBusMessage)));
    m_keyring.clear();
    const bool prompted = isPrompting();
    if (SecretPrompt* prompt = std::exchange(m_prompt, nullptr))
        prompt->abandon(); // not dismissed: its window stays the user's
    const QList<Waiter> waiters = std::exchange(m_waiters, {});
    if (prompted)
        m_promptChanged();
    for (const Waiter& waiter : waiters)
        if (!waiter.cancel.stop_requested())
            waiter.done(status);
}

} // namespace Parlino
