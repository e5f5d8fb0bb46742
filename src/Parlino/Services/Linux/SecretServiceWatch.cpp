#include "Parlino/Services/Linux/SecretServiceWatch.h"

#include "Base/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <limits>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("keychain"));

const QString servicePath = QStringLiteral("/org/freedesktop/secrets");
const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");

// libdbus's "no time-out": the call waits for the service however long it takes.
constexpr int unbounded = std::numeric_limits<int>::max();

} // namespace

SecretServiceWatch::SecretServiceWatch(std::shared_ptr<StoreReach> reach)
    : m_reach(std::move(reach)), m_registration(serviceName, QDBusConnection::sessionBus(),
                                                QDBusServiceWatcher::WatchForRegistration) {
    connect(&m_registration, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        log.notice("secret service registered on the session bus");
        m_reach->serviceReturned();
    });
    // A keyring unlocked or locked, made (the default one a save asked for, or one made in the
    // desktop's passwords app) or deleted.
    for (const auto signal : {"CollectionChanged", "CollectionCreated", "CollectionDeleted"})
        QDBusConnection::sessionBus().connect(serviceName, servicePath, serviceInterface,
                                              QString::fromLatin1(signal), this,
                                              SLOT(onCollectionChanged(QDBusObjectPath)));
}

void SecretServiceWatch::awaitAnswer() {
    if (m_awaiting)
        return;
    m_awaiting = true;
    // A property of the service itself: answered by the service, not by the bus for it.
    auto call = QDBusMessage::createMethodCall(serviceName, servicePath,
                                               QStringLiteral("org.freedesktop.DBus.Properties"),
                                               QStringLiteral("Get"));
    call << serviceInterface << QStringLiteral("Collections");
    auto* pending =
        new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call, unbounded), this);
    connect(
        pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
            answer->deleteLater();
            m_awaiting = false;
            // No service on the bus: its name coming back tells when it may answer.
            if (answer->isError()) {
                log.notice("secret service watch: %{public}s", qPrintable(answer->error().name()));
                return;
            }
            log.notice("secret service answers again");
            m_reach->serviceReturned();
        });
}

void SecretServiceWatch::onCollectionChanged(const QDBusObjectPath& collection) {
    log.info("secret service collection changed: %{public}s", qPrintable(collection.path()));
    m_reach->serviceReturned();
}

} // namespace Parlino
