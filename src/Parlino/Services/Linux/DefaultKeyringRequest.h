#pragma once

#include "Base/Scheduler.h"

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <stop_token>

namespace Parlino {

// Asks the Secret Service to make the keyring of the alias "default" (a fresh account, or a
// keyring daemon started without the desktop's login has none). The desktop then asks the user
// for the new keyring's password, which takes as long as the user takes: the prompt is waited for
// up to `promptSeconds`, then dismissed. Main thread only.
class DefaultKeyringRequest final : public QObject {
    Q_OBJECT

public:
    static constexpr double promptSeconds = 120;
    // A KeychainStatus: success once the keyring is made; `dismissed` when the user dismissed
    // the prompt or let it go unanswered; `unavailable` when the service left the bus meanwhile;
    // `timedOut` or `failed` when it did not answer the request in time or refused it.
    using Done = std::function<void(qint32 status)>;

    // Runs `done` once, later, unless `cancel` is stopped first; then never. Each call that the
    // service is sent is given `timeoutSeconds`.
    static void start(Base::Scheduler& scheduler, double timeoutSeconds, Done done,
                      std::stop_token cancel);

private slots:
    void promptCompleted(const QDBusMessage& completed);

private:
    DefaultKeyringRequest(Base::Scheduler& scheduler, double timeoutSeconds, Done done,
                          std::stop_token cancel);

    void create();
    void prompt(const QString& path);
    void promptUnanswered();
    // Sends `message`; `answered` is given the reply, a failure finishes the request.
    void call(const QDBusMessage& message, std::function<void(const QDBusMessage&)> answered);
    void finish(qint32 status);

    Base::Scheduler& m_scheduler;
    const double m_timeoutSeconds;
    Done m_done;
    QString m_promptPath;
    QDBusServiceWatcher m_departure;
    Base::ScheduledTask m_promptBound;
    std::optional<std::stop_callback<std::function<void()>>> m_stop;
};

} // namespace Parlino
