#pragma once

#include "Base/NotificationCenter.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/StoredKeyWatch.h"

#include <QMetaObject>

namespace Parlino {

// Keeps the failure row of a read stalled on the key true to the key store as it is now. While
// the phase is such a stall (no key, or a keyring away, locked, waiting to be unlocked, failing,
// without a default keyring or holding a key that is not text), the key is read at once and
// again each time the store may answer otherwise or the key is saved or removed; the phase then
// takes the cause that holds now, or says that the cause has gone. Nothing is read while no read
// stands stalled on the key. Main thread only.
class KeyringStallWatch {
public:
    KeyringStallWatch(PlayerViewModel& model, SecretStore& store,
                      Base::NotificationCenter& notifications);
    ~KeyringStallWatch();

    KeyringStallWatch(const KeyringStallWatch&) = delete;
    KeyringStallWatch& operator=(const KeyringStallWatch&) = delete;

private:
    void phaseChanged();
    void keySeen(const KeychainReadResult& result);

    PlayerViewModel& m_model;
    StoredKeyWatch m_key; // follows while the phase is a stall on the key
    QMetaObject::Connection m_phaseChanged;
    Base::NotificationCenter::ObserverToken m_keyChanged;
};

} // namespace Parlino
