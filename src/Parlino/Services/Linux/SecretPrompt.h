#pragma once

#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QString>

#include <functional>

namespace Parlino {

// One prompt of the Secret Service, the desktop's own window that asks for a keyring's password,
// seen through: shown, then waited for as long as it stands, that is until the user answers it or
// the service that made it leaves the bus (gnome-keyring ends a prompt itself, as dismissed, when
// its prompter goes). Never dismissed from here: gnome-keyring aborts when an unlock prompt it
// shows is dismissed under it. Main thread only.
class SecretPrompt final : public QObject {
    Q_OBJECT

public:
    // A KeychainStatus: success when the user answered it, dismissed when they dismissed it,
    // unavailable when the service left the bus, else why it could not be shown.
    using Done = std::function<void(qint32 status)>;

    // `service` is the unique bus name of the service that made the prompt at `path`. `done` runs
    // once, later; the object deletes itself then.
    SecretPrompt(const QString& service, const QString& path, double timeoutSeconds, Done done,
                 QObject* parent);
    ~SecretPrompt() override;

    // Stops listening, without running `done`, and goes later; the prompt stays the user's.
    void abandon();

private slots:
    void completed(const QDBusMessage& completion);

private:
    void finish(qint32 status);
    void stopListening();

    const QString m_service;
    const QString m_path;
    Done m_done;
    QDBusServiceWatcher m_departure;
    bool m_listening = true;
};

} // namespace Parlino
