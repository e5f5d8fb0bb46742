#include "Parlino/Services/Linux/SecretPrompt.h"

#include "Parlino/Services/Linux/SecretServiceBus.h"
#include "Parlino/Services/SecretStore.h"

#include "Base/Log.h"

#include <QDBusConnection>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("keychain"));

const QString completedSignal = QStringLiteral("Completed");

} // namespace

SecretPrompt::SecretPrompt(const QString& service, const QString& path, double timeoutSeconds,
                           Done done, QObject* parent)
    : QObject(parent), m_service(service), m_path(path), m_done(std::move(done)),
      m_departure(service, QDBusConnection::sessionBus(),
                  QDBusServiceWatcher::WatchForUnregistration) {
    // Watched by its unique name, never given to another: the departure of one gone before cannot
    // be taken for it, and the prompt goes with it.
    connect(&m_departure, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        log.error("secret service left the session bus during its prompt");
        finish(KeychainStatus::unavailable);
    });
    // Taken as a message, as SecretServiceWatch takes its signals; connected before the prompt
    // shows, so that no answer comes before it is listened for.
    QDBusConnection::sessionBus().connect(m_service, m_path, SecretServiceBus::promptInterface,
                                          completedSignal, this, SLOT(completed(QDBusMessage)));
    auto message = QDBusMessage::createMethodCall(
        m_service, m_path, SecretServiceBus::promptInterface, QStringLiteral("Prompt"));
    message << QString(); // no window of Parlino's to stack it on
    SecretServiceBus::call(
        message, timeoutSeconds, this, "secret service did not show its prompt",
        [](const QDBusMessage&) {}, [this](qint32 status) { finish(status); });
}

SecretPrompt::~SecretPrompt() {
    stopListening();
}

// Completed(dismissed, result).
void SecretPrompt::completed(const QDBusMessage& completion) {
    const bool dismissed = completion.arguments().value(0).toBool();
    log.notice("keyring prompt %{public}s", dismissed ? "dismissed" : "answered");
    finish(dismissed ? KeychainStatus::dismissed : KeychainStatus::success);
}

void SecretPrompt::abandon() {
    stopListening();
    deleteLater();
}

void SecretPrompt::finish(qint32 status) {
    if (!m_listening)
        return;
    abandon();
    std::exchange(m_done, nullptr)(status);
}

void SecretPrompt::stopListening() {
    if (!std::exchange(m_listening, false))
        return;
    QDBusConnection::sessionBus().disconnect(m_service, m_path, SecretServiceBus::promptInterface,
                                             completedSignal, this, SLOT(completed(QDBusMessage)));
    m_departure.disconnect(this);
}

} // namespace Parlino
