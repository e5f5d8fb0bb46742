#include "Parlino/Shell/Linux/SessionInstance.h"

#include "Base/Clock.h"
#include "Base/Log.h"
#include "Parlino/Shell/InstanceClaim.h"
#include "Parlino/Shell/Linux/BoundedCall.h"
#include "Parlino/Shell/Linux/DBusInstanceBus.h"
#include "Parlino/Shell/Linux/DetachedStart.h"
#include "Parlino/Shell/Linux/StandardStreams.h"
#include "Parlino/Shell/Linux/X11Session.h"
#include "Parlino/Shell/TextHandOver.h"

#include <QCoreApplication>
#include <QDBusError>
#include <QDBusMessage>
#include <QFile>

#include <dbus/dbus.h>
#include <langinfo.h>
#include <locale.h>

#include <cstdio>

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
// says why). Connecting waits for the bus's answers with no bound of its own; a bus answers at
// once, and one that has not within a few seconds hangs (it was stopped, or is stuck).
QDBusConnection connectToSessionBus(const QString& name) {
    constexpr std::chrono::milliseconds bound{3000};
    return returnWithinOrExit(bound,
                              QStringLiteral("%1: the session bus did not answer %2")
                                  .arg(name, InstanceClaim::within(bound)),
                              &QDBusConnection::sessionBus);
}

// Why no session bus could be reached, where the bus library looked for it: the address the
// environment names, or else the user's bus in the runtime folder (its own words about starting
// a bus of its own, the last resort, would only mislead).
QString noSessionBusCause(const QDBusConnection& bus) {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return bus.lastError().message();
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.isEmpty())
        return QStringLiteral("neither DBUS_SESSION_BUS_ADDRESS nor XDG_RUNTIME_DIR is set");
    return QStringLiteral("DBUS_SESSION_BUS_ADDRESS is not set, and no bus listens at %1/bus")
        .arg(runtime);
}

QString notRunningMessage(const QString& displayCause) {
    return QStringLiteral("Parlino is not running, and starting it needs an X11 display: %1")
        .arg(displayCause);
}

// What keeps the application that a client starts from running: its windows need the X display
// that the client's environment, which it is started with, names.
std::optional<QString> startProblem(const QString& name) {
    const auto cause = X11Session::displayCause(
        qgetenv("DISPLAY"), X11Session::answerBound, [&name](const QString& unanswered) {
            return QStringLiteral("%1: %2").arg(name, notRunningMessage(unanswered));
        });
    return cause ? std::optional(notRunningMessage(*cause)) : std::nullopt;
}

// Hands `request` over on `bus` as InstanceClaim decides, within its bound from `startedAt`: the
// status to exit with, or none when this process is to be the session's application.
std::optional<int> handOver(const InstanceRequest& request, const QDBusConnection& bus,
                            double startedAt, const QString& name) {
    DBusInstanceBus instances(bus, QCoreApplication::applicationFilePath(),
                              [&name] { return startProblem(name); });
    const InstanceClaim::Outcome outcome =
        InstanceClaim(instances, Base::SteadyClock::shared(), startedAt).decide(request);
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

std::optional<int> claimOrHandOver(const QString& name, SessionInstance& instance) {
    InstanceRequest request;
    if (startedForHandOver())
        request.kind = InstanceRequest::Kind::none;
    const double startedAt = Base::SteadyClock::shared().now();
    const QDBusConnection bus = connectToSessionBus(name);
    if (!bus.isConnected()) {
        log.error("no session bus, so no other start is in view: %{public}s",
                  noSessionBusCause(bus));
        return std::nullopt;
    }
    instance.answerOn(bus);
    return handOver(request, bus, startedAt, name);
}

int handOverStandardInput(const QString& name) {
    const auto text = standardInputText();
    if (!text)
        return fail(name, text.error());
    const double startedAt = Base::SteadyClock::shared().now();
    const QDBusConnection bus = connectToSessionBus(name);
    if (!bus.isConnected())
        return fail(name, QStringLiteral("there is no session bus to hand the text over on: %1")
                              .arg(noSessionBusCause(bus)));
    // A read never becomes the application: it hands the text over, or says why it could not.
    return handOver({InstanceRequest::Kind::read, *text}, bus, startedAt, name).value_or(1);
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
