#include "Parlino/Services/Linux/SecretServiceWatch.h"

#include "Parlino/Services/Linux/SecretServiceBus.h"

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

// libdbus's "no time-out": the call waits for the service however long it takes.
constexpr int unbounded = std::numeric_limits<int>::max();

// The signals that tell of a change, by interface, from any object of the service.
struct Change {
    const QString& interface;
    const char* name;
};

} // namespace

SecretServiceWatch::SecretServiceWatch(std::shared_ptr<StoreReach> reach)
    : m_reach(std::move(reach)), m_owner(SecretServiceBus::name, QDBusConnection::sessionBus(),
                                         QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&m_owner, &QDBusServiceWatcher::serviceRegistered, this, [this] {
        log.notice("secret service registered on the session bus");
        m_reach->mayAnswerOtherwise();
    });
    // Gone, it holds nothing it showed: a read now says so, or starts it again on demand.
    connect(&m_owner, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        log.notice("secret service left the session bus");
        m_reach->mayAnswerOtherwise();
    });
    // A keyring unlocked or locked, made (the default one a save asked for, or one made in the
    // desktop's passwords app) or deleted; an item made, deleted or changed (in a passwords app,
    // or by secret-tool); a keyring's or an item's Locked property changed. Keyrings and items are
    // heard from any object path. The slot takes the message: one that took the object's path
    // would depend on the order in which its type and D-Bus's own were registered, and miss every
    // signal when it lost.
    const Change changes[] = {
        {SecretServiceBus::serviceInterface, "CollectionChanged"},
        {SecretServiceBus::serviceInterface, "CollectionCreated"},
        {SecretServiceBus::serviceInterface, "CollectionDeleted"},
        {SecretServiceBus::collectionInterface, "ItemCreated"},
        {SecretServiceBus::collectionInterface, "ItemDeleted"},
        {SecretServiceBus::collectionInterface, "ItemChanged"},
        {SecretServiceBus::propertiesInterface, "PropertiesChanged"},
    };
    for (const Change& change : changes)
        QDBusConnection::sessionBus().connect(SecretServiceBus::name, QString(), change.interface,
                                              QString::fromLatin1(change.name), this,
                                              SLOT(onChange(QDBusMessage)));
}

void SecretServiceWatch::awaitAnswer() {
    if (m_awaiting)
        return;
    m_awaiting = true;
    // A property of the service itself: answered by the service, not by the bus for it.
    auto call = QDBusMessage::createMethodCall(SecretServiceBus::name, SecretServiceBus::path,
                                               SecretServiceBus::propertiesInterface,
                                               QStringLiteral("Get"));
    call << SecretServiceBus::serviceInterface << QStringLiteral("Collections");
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
            m_reach->mayAnswerOtherwise();
        });
}

void SecretServiceWatch::onChange(const QDBusMessage& change) {
    // Keyrings are few; items and properties change by the dozen when a keyring is locked.
    if (change.interface() == SecretServiceBus::serviceInterface)
        log.info("secret service %{public}s: %{public}s", qPrintable(change.member()),
                 qPrintable(change.arguments().value(0).value<QDBusObjectPath>().path()));
    m_reach->mayAnswerOtherwise();
}

} // namespace Parlino
