#include "Parlino/Services/StoredKeyWatch.h"

#include "Parlino/Services/APIKeyCredential.h"

#include <utility>

namespace Parlino {

StoredKeyWatch::StoredKeyWatch(SecretStore& store, Seen seen)
    : m_store(store), m_seen(std::move(seen)) {}

StoredKeyWatch::~StoredKeyWatch() {
    stop();
}

void StoredKeyWatch::read() {
    dropRead();
    m_readOnItsWay = true;
    m_store.read(
        apiKeyAccount,
        [this](const KeychainReadResult& result) {
            m_readOnItsWay = false;
            const bool again = std::exchange(m_changedMeanwhile, false);
            m_seen(result);
            if (again && isFollowing() && !m_readOnItsWay)
                read();
        },
        m_reading.get_token());
}

void StoredKeyWatch::dropRead() {
    std::exchange(m_reading, {}).request_stop();
    m_readOnItsWay = false;
    m_changedMeanwhile = false;
}

void StoredKeyWatch::follow() {
    if (isFollowing())
        return;
    m_following.emplace();
    listen();
    read();
}

void StoredKeyWatch::stop() {
    if (m_following)
        std::exchange(m_following, std::nullopt)->request_stop();
    dropRead();
}

// Heard from before a read begins, so that no change made while it is on its way goes unheard.
void StoredKeyWatch::listen() {
    m_store.whenMayAnswerOtherwise(
        [this] {
            listen();
            changed();
        },
        m_following->get_token());
}

void StoredKeyWatch::changed() {
    if (m_readOnItsWay)
        m_changedMeanwhile = true;
    else
        read();
}

} // namespace Parlino
