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
    // desktop's passwords app) or deleted. Heard from whoever sends them: a match on the service's
    // name hears nothing of a service started (on demand) after it was made.
    // The slot takes the message: one that took the collection's path would depend on the order in
    // which its type and D-Bus's own were registered, and miss every signal when it lost.
    for (const auto name : {"CollectionChanged", "CollectionCreated", "CollectionDeleted"})
        QDBusConnection::sessionBus().connect(serviceName, servicePath, serviceInterface,
                                              QString::fromLatin1(name), this,
                                              SLOT(onCollectionChanged(QDBusMessage)));
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

void SecretServiceWatch::onCollectionChanged(const QDBusMessage& change) {
    log.info("secret service %{public}s: %{public}s", qPrintable(change.member()),
             qPrintable(change.arguments().value(0).value<QDBusObjectPath>().path()));
    m_reach->serviceReturned();
}

} // namespace Parlino
