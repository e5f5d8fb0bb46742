#pragma once

#include "Parlino/Services/SecretStore.h"

#include <functional>
#include <optional>
#include <stop_token>

namespace Parlino {

// Reads the saved API key for whoever shows what the key store holds: now, and, while following,
// again each time the store may answer otherwise, with no timer. A change heard while a read is on
// its way is read once more after it, so a burst of changes costs at most two reads and the last
// answer told is never older than the last change. Main thread only.
class StoredKeyWatch {
public:
    using Seen = std::function<void(const KeychainReadResult&)>;

    StoredKeyWatch(SecretStore& store, Seen seen);
    ~StoredKeyWatch();

    StoredKeyWatch(const StoredKeyWatch&) = delete;
    StoredKeyWatch& operator=(const StoredKeyWatch&) = delete;

    // Reads now; the answer of a read on its way is not told.
    void read();
    // Forgets the read on its way: its answer is not told.
    void dropRead();
    // Reads now, and again on every change until stop(). Nothing when following already.
    void follow();
    // Stops following, and forgets the read on its way.
    void stop();
    bool isFollowing() const { return m_following.has_value(); }

private:
    void listen();
    void changed();

    SecretStore& m_store;
    Seen m_seen;
    std::optional<std::stop_source> m_following;
    std::stop_source m_reading; // of the read on its way
    bool m_readOnItsWay = false;
    bool m_changedMeanwhile = false; // a change heard while the read was on its way
};

} // namespace Parlino
