#include "Parlino/Shell/Linux/SessionInstance.h"

#include "Base/Log.h"
#include "Parlino/Shell/TextHandOver.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <dbus/dbus.h>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("pipeline"));

// How long a starting application may take to answer on the bus, in milliseconds.
constexpr int startTimeout = 10000;

bool isRunning() {
    const QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
    return bus && bus->isServiceRegistered(SessionInstance::serviceName).value();
}

bool call(const QString& method, const QVariantList& arguments = {}) {
    QDBusInterface running(SessionInstance::serviceName, SessionInstance::objectPath,
                           SessionInstance::serviceName);
    if (!running.isValid())
        return false;
    const QDBusMessage reply = running.callWithArgumentList(QDBus::Block, method, arguments);
    return reply.type() == QDBusMessage::ReplyMessage;
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
    return isRunning() && call(QStringLiteral("OpenPanel"));
}

bool SessionInstance::handOverText(const QString& text, const QString& program) {
    if (!isRunning()) {
        if (!QProcess::startDetached(program, {}))
            return false;
        const QDeadlineTimer deadline(startTimeout);
        while (!isRunning() && !deadline.hasExpired())
            QThread::msleep(50);
    }
    return call(QStringLiteral("ReadWithParlino"), {text});
}

std::optional<int> handOverToRunningInstance(bool read) {
    if (read) {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return 1;
        // A bus message ends its text at the first NUL; read each NUL as a space instead, so
        // nothing after it is lost.
        const QString text = QString::fromUtf8(input.readAll()).replace(QChar(0), QChar(' '));
        return SessionInstance::handOverText(text, QCoreApplication::applicationFilePath()) ? 0 : 1;
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
