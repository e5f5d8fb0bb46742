#include "Parlino/Services/Linux/DefaultKeyringRequest.h"

#include "Parlino/Services/Linux/SecretPrompt.h"
#include "Parlino/Services/Linux/SecretServiceBus.h"
#include "Parlino/Services/SecretStore.h"

#include "Base/Log.h"

#include <QDBusMessage>
#include <QDBusObjectPath>

namespace Parlino {

namespace {
const Base::Log log(QStringLiteral("keychain"));
}

void DefaultKeyringRequest::start(double timeoutSeconds, Done done, std::stop_token cancel) {
    (new DefaultKeyringRequest(timeoutSeconds, std::move(done), std::move(cancel)))->create();
}

DefaultKeyringRequest::DefaultKeyringRequest(double timeoutSeconds, Done done,
                                             std::stop_token cancel)
    : m_timeoutSeconds(timeoutSeconds), m_done(std::move(done)) {
    m_stop.emplace(std::move(cancel), [this] {
        m_done = nullptr;
        finish(KeychainStatus::success);
    });
}

void DefaultKeyringRequest::create() {
    if (!m_done)
        return; // cancelled before it began
    log.notice("secret service holds no default keyring: asking it to make one");
    auto message = QDBusMessage::createMethodCall(SecretServiceBus::name, SecretServiceBus::path,
                                                  SecretServiceBus::serviceInterface,
                                                  QStringLiteral("CreateCollection"));
    message << QVariantMap{{QStringLiteral("org.freedesktop.Secret.Collection.Label"),
                            QStringLiteral("Default keyring")}}
            << QStringLiteral("default");
    SecretServiceBus::call(
        message, m_timeoutSeconds, this, "secret service did not make a keyring",
        [this](const QDBusMessage& reply) {
            if (!m_done)
                return; // cancelled: no prompt is asked for
            // CreateCollection(properties, alias) → (collection, prompt)
            const auto collection = reply.arguments().value(0).value<QDBusObjectPath>();
            const auto promptPath = reply.arguments().value(1).value<QDBusObjectPath>();
            if (SecretServiceBus::isObject(collection.path())) {
                log.notice("secret service made the default keyring without a prompt");
                return finish(KeychainStatus::success);
            }
            if (!SecretServiceBus::isObject(promptPath.path())) {
                log.error("secret service did not make a keyring: neither a keyring nor a prompt");
                return finish(KeychainStatus::failed);
            }
            log.notice("secret service prompts for the new keyring's password");
            new SecretPrompt(
                reply.service(), promptPath.path(), m_timeoutSeconds,
                [this](qint32 status) { finish(status); }, this);
        },
        [this](qint32 status) { finish(status); });
}

// Ends the request: nothing is heard of the service after this.
void DefaultKeyringRequest::finish(qint32 status) {
    for (auto* prompt : findChildren<SecretPrompt*>())
        prompt->abandon();
    deleteLater();
    if (const Done done = std::exchange(m_done, nullptr))
        done(status);
}

} // namespace Parlino
