#pragma once

#include "Parlino/Services/StoreReach.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>

#include <memory>

namespace Parlino {

// Tells a key store's StoreReach when the Secret Service may answer otherwise than it last did,
// following the bus only: the service's name leaving or coming back; a keyring of it made, deleted
// or changed; an item made, deleted or changed; a keyring or an item locked or unlocked; and, while
// the store is out of reach, the answer to one call that waits for as long as the service takes.
// A service that is stopped answers nothing for a time longer than any time-out: that one call,
// sent while it is away, is answered as soon as it answers again. Main thread only.
class SecretServiceWatch final : public QObject {
    Q_OBJECT

public:
    explicit SecretServiceWatch(std::shared_ptr<StoreReach> reach);

    // Keeps one call to the service outstanding until it is answered; it tells the reach then.
    void awaitAnswer();

private slots:
    void onChange(const QDBusMessage& change);

private:
    std::shared_ptr<StoreReach> m_reach;
    QDBusServiceWatcher m_owner;
    bool m_awaiting = false;
};

} // namespace Parlino
