#include "Parlino/Services/Linux/DefaultKeyringRequest.h"

#include "Parlino/Services/SecretStore.h"

#include "Base/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("keychain"));

const QString serviceName = QStringLiteral("org.freedesktop.secrets");
const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const QString promptInterface = QStringLiteral("org.freedesktop.Secret.Prompt");
const QString completed = QStringLiteral("Completed");
const QString noObject = QStringLiteral("/");

qint32 statusOf(const QDBusMessage& error) {
    log.error("secret service did not make a keyring: %{public}s: %{public}s",
              qPrintable(error.errorName()), qPrintable(error.errorMessage()));
    switch (QDBusError(error).type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
    case QDBusError::Disconnected:
        return KeychainStatus::unavailable;
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
        return KeychainStatus::timedOut;
    default:
        return KeychainStatus::failed;
    }
}

} // namespace

void DefaultKeyringRequest::start(Base::Scheduler& scheduler, double timeoutSeconds, Done done,
                                  std::stop_token cancel) {
    (new DefaultKeyringRequest(scheduler, timeoutSeconds, std::move(done), std::move(cancel)))
        ->create();
}

DefaultKeyringRequest::DefaultKeyringRequest(Base::Scheduler& scheduler, double timeoutSeconds,
                                             Done done, std::stop_token cancel)
    : m_scheduler(scheduler), m_timeoutSeconds(timeoutSeconds), m_done(std::move(done)),
      m_departure(QString(), QDBusConnection::sessionBus(),
                  QDBusServiceWatcher::WatchForUnregistration) {
    // The service that answered goes away, and its prompt with it. Watched by its unique name,
    // never given to another, so that the departure of one gone before cannot be taken for it.
    connect(&m_departure, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        log.error("secret service left the session bus while making a keyring");
        finish(KeychainStatus::unavailable);
    });
    m_stop.emplace(std::move(cancel), [this] {
        m_done = nullptr;
        finish(KeychainStatus::success);
    });
}

void DefaultKeyringRequest::create() {
    log.notice("secret service holds no default keyring: asking it to make one");
    auto message = QDBusMessage::createMethodCall(serviceName, servicePath, serviceInterface,
                                                  QStringLiteral("CreateCollection"));
    message << QVariantMap{{QStringLiteral("org.freedesktop.Secret.Collection.Label"),
                            QStringLiteral("Default keyring")}}
            << QStringLiteral("default");
    call(message, [this](const QDBusMessage& reply) {
        m_departure.addWatchedService(reply.service());
        const auto collection = reply.arguments().value(0).value<QDBusObjectPath>();
        const auto promptPath = reply.arguments().value(1).value<QDBusObjectPath>();
        if (collection.path() != noObject && !collection.path().isEmpty()) {
            log.notice("secret service made the default keyring without a prompt");
            return finish(KeychainStatus::success);
        }
        if (promptPath.path() == noObject || promptPath.path().isEmpty())
            return finish(statusOf(QDBusMessage::createError(
                QDBusError::InvalidArgs, QStringLiteral("neither a keyring nor a prompt"))));
        prompt(promptPath.path());
    });
}

// The prompt is the desktop's own window; its answer comes as the prompt's Completed signal.
void DefaultKeyringRequest::prompt(const QString& path) {
    m_promptPath = path;
    QDBusConnection::sessionBus().connect(serviceName, path, promptInterface, completed, this,
                                          SLOT(promptCompleted(QDBusMessage)));
    m_promptBound = m_scheduler.after(promptSeconds, [this] { promptUnanswered(); });
    auto message = QDBusMessage::createMethodCall(serviceName, path, promptInterface,
                                                  QStringLiteral("Prompt"));
    message << QString(); // no window of Parlino's to stack it on
    log.notice("secret service prompts for the new keyring's password");
    call(message, [](const QDBusMessage&) {});
}

// Completed(dismissed, result): taken as a message, as SecretServiceWatch takes its signals.
void DefaultKeyringRequest::promptCompleted(const QDBusMessage& completed) {
    const bool dismissed = completed.arguments().value(0).toBool();
    if (dismissed)
        log.notice("keyring prompt dismissed: no default keyring made");
    else
        log.notice("secret service made the default keyring");
    finish(dismissed ? KeychainStatus::dismissed : KeychainStatus::success);
}

void DefaultKeyringRequest::promptUnanswered() {
    log.notice("keyring prompt unanswered after %{public}d s: dismissing it", int(promptSeconds));
    QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(serviceName, m_promptPath,
                                                                      promptInterface,
                                                                      QStringLiteral("Dismiss")),
                                       QDBus::NoBlock);
    finish(KeychainStatus::dismissed);
}

void DefaultKeyringRequest::call(const QDBusMessage& message,
                                 std::function<void(const QDBusMessage&)> answered) {
    auto* pending = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message, int(m_timeoutSeconds * 1000)), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, answered = std::move(answered)](QDBusPendingCallWatcher* answer) {
                answer->deleteLater();
                const QDBusMessage reply = answer->reply();
                if (reply.type() == QDBusMessage::ErrorMessage)
                    return finish(statusOf(reply));
                answered(reply);
            });
}

// Ends the request: nothing is heard of the service after this.
void DefaultKeyringRequest::finish(qint32 status) {
    if (!m_promptPath.isEmpty())
        QDBusConnection::sessionBus().disconnect(serviceName, std::exchange(m_promptPath, {}),
                                                 promptInterface, completed, this,
                                                 SLOT(promptCompleted(QDBusMessage)));
    m_promptBound.cancel();
    m_departure.disconnect(this);
    deleteLater();
    if (const Done done = std::exchange(m_done, nullptr))
        done(status);
}

} // namespace Parlino
