#include "Parlino/Services/Linux/SecretServiceBus.h"

#include "Parlino/Services/SecretStore.h"

#include "Base/Log.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusPendingCallWatcher>

namespace Parlino::SecretServiceBus {

namespace {
const Base::Log log(QStringLiteral("keychain"));
}

bool isObject(const QString& path) {
    return !path.isEmpty() && path != noObject;
}

qint32 statusOf(const QDBusMessage& error, const char* what) {
    log.error("%{public}s: %{public}s: %{public}s", what, qPrintable(error.errorName()),
              qPrintable(error.errorMessage()));
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

void call(const QDBusMessage& message, double timeoutSeconds, QObject* context, const char* what,
          std::function<void(const QDBusMessage&)> answered, std::function<void(qint32)> failed) {
    auto* pending = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(message, int(timeoutSeconds * 1000)), context);
    QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                     [what, answered = std::move(answered),
                      failed = std::move(failed)](QDBusPendingCallWatcher* answer) {
                         answer->deleteLater();
                         const QDBusMessage reply = answer->reply();
                         if (reply.type() == QDBusMessage::ErrorMessage)
                             return failed(statusOf(reply, what));
                         answered(reply);
                     });
}

} // namespace Parlino::SecretServiceBus
