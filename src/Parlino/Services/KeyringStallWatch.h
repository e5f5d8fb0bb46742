#pragma once

#include "Base/NotificationCenter.h"
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SecretStore.h"

#include <QMetaObject>

#include <optional>
#include <stop_token>

namespace Parlino {

// Keeps the failure row of a read stalled on the key true to the key store as it is now. While
// the phase is such a stall (no key, or a keyring away, locked, failing or without a default
// keyring), the key is read at once and again each time the store may answer otherwise or the key
// is saved or removed; the phase then takes the cause that holds now, or says that the cause has
// gone. Nothing is read while no read stands stalled on the key. Main thread only.
class KeyringStallWatch {
public:
    KeyringStallWatch(PlayerViewModel& model, SecretStore& store,
                      Base::NotificationCenter& notifications);
    ~KeyringStallWatch();

    KeyringStallWatch(const KeyringStallWatch&) = delete;
    KeyringStallWatch& operator=(const KeyringStallWatch&) = delete;

private:
    void phaseChanged();
    void readKey();

    PlayerViewModel& m_model;
    SecretStore& m_store;
    QMetaObject::Connection m_phaseChanged;
    Base::NotificationCenter::ObserverToken m_keyChanged;
    std::optional<std::stop_source> m_following; // while the phase is a stall on the key
    quint64 m_readToken = 0;                     // a read overtaken by a newer one changes nothing
};

} // namespace Parlino
