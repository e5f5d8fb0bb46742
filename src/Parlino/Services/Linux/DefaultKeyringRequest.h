#pragma once

#include <QObject>

#include <functional>
#include <optional>
#include <stop_token>

namespace Parlino {

// Asks the Secret Service to make the keyring of the alias "default" (a fresh account, or a
// keyring daemon started without the desktop's login has none). The desktop then asks the user
// for the new keyring's password, which takes as long as the user takes: the prompt is seen
// through for as long as it stands (SecretPrompt). Main thread only.
class DefaultKeyringRequest final : public QObject {
    Q_OBJECT

public:
    // A KeychainStatus: success once the keyring is made; `dismissed` when the user dismissed
    // the prompt; `unavailable` when the service left the bus meanwhile; `timedOut` or `failed`
    // when it did not answer a request in time or refused it.
    using Done = std::function<void(qint32 status)>;

    // Runs `done` once, later, unless `cancel` is stopped first; then never, and the prompt, if
    // one is up, is left to the user. Each call that the service is sent is given
    // `timeoutSeconds`.
    static void start(double timeoutSeconds, Done done, std::stop_token cancel);

private:
    DefaultKeyringRequest(double timeoutSeconds, Done done, std::stop_token cancel);

    void create();
    void finish(qint32 status);

    const double m_timeoutSeconds;
    Done m_done;
    std::optional<std::stop_callback<std::function<void()>>> m_stop;
};

} // namespace Parlino
