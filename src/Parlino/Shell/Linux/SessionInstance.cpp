#include "Parlino/Shell/Linux/SessionInstance.h"

#include "Base/Clock.h"
#include "Base/Log.h"
#include "Parlino/Shell/InstanceClaim.h"
#include "Parlino/Shell/Linux/DBusInstanceBus.h"
#include "Parlino/Shell/Linux/DetachedStart.h"
#include "Parlino/Shell/Linux/StandardStreams.h"
#include "Parlino/Shell/TextHandOver.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>

#include <dbus/dbus.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <thread>

namespace Parlino {

namespace {

const Base::Log log(QStringLiteral("pipeline"));

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

// The encoding of the locale the environment names, in which the user's programs write text: Qt
// has its own locale use UTF-8 whatever that one is.
QByteArray environmentLocaleEncoding() {
    const locale_t locale = newlocale(LC_CTYPE_MASK, "", locale_t(nullptr));
    if (!locale)
        return {};
    const QByteArray encoding(nl_langinfo_l(CODESET, locale));
    freelocale(locale);
    return encoding;
}

Base::Result<QString, QString> standardInputText() {
    if (StandardStreams::inputWasClosed())
        return Base::failure(QStringLiteral("standard input is closed: there is no text to read"));
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly))
        return Base::failure(
            QStringLiteral("standard input could not be opened: %1").arg(input.errorString()));
    return TextHandOver::read(input, environmentLocaleEncoding());
}

int fail(const QString& name, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(name), qPrintable(message));
    return 1;
}

// The session bus's connection: connected, or not when there is no session bus (its lastError()
// says why). Connecting waits for the bus's answers with no bound of its own; when they do not
// come within `bound`, says so after `name` and ends the process, since the thread that waits
// for them cannot be stopped.
QDBusConnection connectToSessionBus(std::chrono::milliseconds bound, const QString& name) {
    std::packaged_task<QDBusConnection()> connect(&QDBusConnection::sessionBus);
    std::future<QDBusConnection> connection = connect.get_future();
    std::thread connecting(std::move(connect));
    if (connection.wait_for(bound) == std::future_status::ready) {
        connecting.join();
        return connection.get();
    }
    fail(name, QStringLiteral("the session bus did not answer ") + InstanceClaim::within(bound));
    std::fflush(stderr);
    std::_Exit(1);
}

// Whether a client started this process to hand over a request of its own; the mark is not passed
// on to what the application starts.
bool startedForHandOver() {
    const bool marked = qEnvironmentVariableIsSet(DetachedStart::handOverVariable);
    qunsetenv(DetachedStart::handOverVariable);
    return marked;
}

} // namespace

SessionInstance::~SessionInstance() {
    // Sent, not awaited: the bus takes the connection's messages in order, so a caller told that
    // the object is gone finds the name let go.
    if (m_bus)
        m_bus->send(QDBusMessage::createMethodCall(
                        QStringLiteral(DBUS_SERVICE_DBUS), QStringLiteral(DBUS_PATH_DBUS),
                        QStringLiteral(DBUS_INTERFACE_DBUS), QStringLiteral("ReleaseName"))
                    << serviceName);
}

void SessionInstance::answerOn(QDBusConnection bus) {
    keepReadingAfterLargeMessages(bus);
    if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots))
        log.error("%{public}s not answered on the session bus: %{public}s", objectPath,
                  bus.lastError().message());
    m_bus = std::move(bus);
}

void SessionInstance::serve(std::function<void(const QString&)> read,
                            std::function<void()> openPanel) {
    m_read = std::move(read);
    m_openPanel = std::move(openPanel);
}

std::optional<int> claimOrHandOver(bool read, const QString& name, SessionInstance& instance) {
    InstanceRequest request;
    if (startedForHandOver())
        request.kind = InstanceRequest::Kind::none;
    if (read) {
        auto text = standardInputText();
        if (!text)
            return fail(name, text.error());
        request = {InstanceRequest::Kind::read, *text};
    }
    const auto& clock = Base::SteadyClock::shared();
    const double startedAt = clock.now();
    const QDBusConnection bus = connectToSessionBus(InstanceClaim::stepBound, name);
    if (!bus.isConnected()) {
        if (read)
            return fail(name, QStringLiteral("there is no session bus to hand the text over on: %1")
                                  .arg(bus.lastError().message()));
        log.error("no session bus, so no other start is in view: %{public}s",
                  bus.lastError().message());
        return std::nullopt;
    }
    if (!read)
        instance.answerOn(bus);
    DBusInstanceBus instances(bus, QCoreApplication::applicationFilePath());
    const InstanceClaim::Outcome outcome =
        InstanceClaim(instances, clock, startedAt).decide(request);
    switch (outcome.kind) {
    case InstanceClaim::Outcome::Kind::run:
        return std::nullopt;
    case InstanceClaim::Outcome::Kind::handedOver:
        return 0;
    case InstanceClaim::Outcome::Kind::failed:
        break;
    }
    return fail(name, outcome.message);
}

void SessionInstance::ReadWithParlino(const QString& text) {
    if (TextHandOver::isTooLarge(text)) {
        log.notice("hand-over refused: %lld characters, more than %lld bytes of UTF-8",
                   qint64(text.size()), qint64(TextHandOver::maxBytes));
        sendErrorReply(tooLargeError, TextHandOver::tooLargeMessage());
        return;
    }
    takeOnTheNextTurn([this, text] { m_read(text); });
}

void SessionInstance::OpenPanel() {
    takeOnTheNextTurn([this] { m_openPanel(); });
}

// The event loop ends after the turn in which the application began to quit: a call still in
// that turn is not taken, and goes unanswered until the process ends; its caller then hands it to
// the application that follows.
void SessionInstance::takeOnTheNextTurn(std::function<void()> take) {
    setDelayedReply(true);
    QMetaObject::invokeMethod(
        this,
        [take = std::move(take), bus = connection(), reply = message().createReply()] {
            take();
            bus.send(reply);
        },
        Qt::QueuedConnection);
}

} // namespace Parlino
