#include "Parlino/Shell/Linux/SessionInstance.h"

#include "Base/Log.h"
#include "Parlino/Shell/Linux/DetachedStart.h"
#include "Parlino/Shell/Linux/StandardStreams.h"
#include "Parlino/Shell/TextHandOver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>

#include <dbus/dbus.h>

#include <chrono>
#include <cstdio>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("pipeline"));

// How long a starting application may take to take its name on the bus.
constexpr std::chrono::milliseconds startTimeout{10000};
// How long the running application may take to take a text or open its panel, in milliseconds:
// it answers as soon as the read has started.
constexpr int answerTimeout = 10000;

bool isRunning() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(SessionInstance::serviceName).value();
}

QDBusMessage call(const QString& method, const QVariantList& arguments = {}) {
    QDBusMessage message =
        QDBusMessage::createMethodCall(SessionInstance::serviceName, SessionInstance::objectPath,
                                       SessionInstance::serviceName, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, answerTimeout);
}

// The bus library stops reading a connection while the messages read from it and not yet freed
// pass a bound (63 MiB by default), and reads on once they are freed. A call to this main
// thread's objects is freed on this thread, and Qt's bus thread then never hears that it may read
// again: one large call would leave the application deaf on the bus for good. Leave room for
// several of the largest messages the protocol allows, so that no sender reaches the bound.
void keepReadingAfterLargeMessages(const QDBusConnection& bus) {
    constexpr long room = 8L * DBUS_MAXIMUM_MESSAGE_LENGTH;
    if (auto* connection = static_cast<DBusConnection*>(bus.internalPointer()))
        dbus_connection_set_max_received_size(connection, room);
}

Base::Result<void, QString> handOverStandardInput() {
    if (StandardStreams::inputWasClosed())
        return Base::failure(QStringLiteral("standard input is closed: there is no text to read"));
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return Base::failure(
            QStringLiteral("standard input could not be opened: %1").arg(input.errorString()));
    const auto text = TextHandOver::read(input);
    if (!text)
        return Base::failure(text.error());
    return SessionInstance::handOverText(*text, QCoreApplication::applicationFilePath());
}

} // namespace

SessionInstance::SessionInstance(std::function<void(const QString&)> read,
                                 std::function<void()> openPanel)
    : m_read(std::move(read)), m_openPanel(std::move(openPanel)) {}

bool SessionInstance::claim() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    keepReadingAfterLargeMessages(bus);
    return bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots) &&
           bus.registerService(serviceName);
}

bool SessionInstance::openRunningPanel() {
    return isRunning() && call(QStringLiteral("OpenPanel")).type() == QDBusMessage::ReplyMessage;
}

Base::Result<void, QString> SessionInstance::handOverText(const QString& text,
                                                          const QString& program) {
    if (const QDBusConnection bus = QDBusConnection::sessionBus(); !bus.isConnected())
        return Base::failure(QStringLiteral("there is no session bus to hand the text over on: %1")
                                 .arg(bus.lastError().message()));
    if (!isRunning())
        if (auto started = DetachedStart::startAndWait(program, serviceName, startTimeout);
            !started)
            return started;
    const QDBusMessage reply = call(QStringLiteral("ReadWithParlino"), {text});
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {};
    // No reply while it still holds its name: it is there but did not answer in time.
    if (reply.errorName() == QDBusError::errorString(QDBusError::NoReply) && isRunning())
        return Base::failure(
            QStringLiteral("the running Parlino did not take the text within %1 seconds")
                .arg(answerTimeout / 1000));
    return Base::failure(
        QStringLiteral("the running Parlino did not take the text: %1").arg(reply.errorMessage()));
}

std::optional<int> handOverToRunningInstance(bool read, const QString& name) {
    if (read) {
        const auto handed = handOverStandardInput();
        if (handed)
            return 0;
        std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(handed.error()));
        return 1;
    }
    if (SessionInstance::openRunningPanel())
        return 0;
    return std::nullopt;
}

void SessionInstance::ReadWithParlino(const QString& text) {
    if (TextHandOver::isTooLarge(text)) {
        log.notice("hand-over refused: %lld characters, more than %lld bytes of UTF-8",
                   qint64(text.size()), qint64(TextHandOver::maxBytes));
        sendErrorReply(tooLargeError, TextHandOver::tooLargeMessage());
        return;
    }
    if (m_read)
        m_read(text);
}

void SessionInstance::OpenPanel() {
    if (m_openPanel)
        m_openPanel();
}

} // namespace Parlino
