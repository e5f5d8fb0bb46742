#pragma once

#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <functional>

// The Secret Service as Parlino's own D-Bus calls reach it (libsecret reaches it otherwise).
namespace Parlino::SecretServiceBus {

inline const QString name = QStringLiteral("org.freedesktop.secrets");
inline const QString path = QStringLiteral("/org/freedesktop/secrets");
inline const QString serviceInterface = QStringLiteral("org.freedesktop.Secret.Service");
inline const QString collectionInterface = QStringLiteral("org.freedesktop.Secret.Collection");
inline const QString promptInterface = QStringLiteral("org.freedesktop.Secret.Prompt");
inline const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// The object path that names no object: no prompt, no collection.
inline const QString noObject = QStringLiteral("/");

bool isObject(const QString& path);

// What an error reply says, as a KeychainStatus; logged after `what` ("… did not unlock …").
qint32 statusOf(const QDBusMessage& error, const char* what);

// Sends `message` with a time-out: `answered` takes the reply, or `failed` the status of an error
// (logged after `what`), later on the main thread; neither once `context` is gone.
void call(const QDBusMessage& message, double timeoutSeconds, QObject* context, const char* what,
          std::function<void(const QDBusMessage&)> answered, std::function<void(qint32)> failed);

} // namespace Parlino::SecretServiceBus
