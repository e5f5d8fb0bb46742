#pragma once

// A session bus and a gnome-keyring of a test's own, and the desktop's prompt as the user answers
// it: for tests that drive the keyring's real prompts, which must not reach the session's own
// keyring or wait on the user's desktop.
#include "Base/Scheduler.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <stop_token>

namespace PrivateKeyring {

inline const QString secretsService = QStringLiteral("org.freedesktop.secrets");
inline const QString secretsPath = QStringLiteral("/org/freedesktop/secrets");
inline const QString prompterService = QStringLiteral("org.gnome.keyring.SystemPrompter");
inline const QDBusObjectPath defaultKeyring{
    QStringLiteral("/org/freedesktop/secrets/aliases/default")};

// Runs a program to its end, the test's own events going on meanwhile; its output when it ends
// well.
inline std::optional<QString> run(const QString& program, const QStringList& arguments,
                                  int timeoutMs = 10'000) {
    QProcess process;
    process.start(program, arguments);
    if (!TestSupport::pumpUntil([&] { return process.state() == QProcess::NotRunning; },
                                timeoutMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The process that owns `name` on the session bus; 0 when none does.
inline qint64 ownerPid(const QString& name) {
    const QDBusReply<uint> pid = QDBusConnection::sessionBus().interface()->servicePid(name);
    return pid.isValid() ? qint64(pid.value()) : 0;
}

// Lets the test program go on when the test's session bus ends, as it does at the suite's end,
// however far libsecret's calls on it have come.
void keepRunningWhenTheBusCloses();

// The session bus of the test's own, started before anything of the test talks to a bus, with the
// desktop's prompter to be started on demand and nothing else.
class PrivateBus {
public:
    PrivateBus() {
        QDir(m_dir.path()).mkdir("services");
        QFile::copy("/usr/share/dbus-1/services/" + prompterService + ".service",
                    m_dir.filePath("services/" + prompterService + ".service"));
        QFile config(m_dir.filePath("bus.conf"));
        if (!config.open(QIODevice::WriteOnly))
            return;
        config.write(QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                                    "<servicedir>%1/services</servicedir><auth>EXTERNAL</auth>"
                                    "<policy context=\"default\"><allow own=\"*\"/>"
                                    "<allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                    "<allow eavesdrop=\"true\"/></policy></busconfig>")
                         .arg(m_dir.path())
                         .toUtf8());
        config.close();
        m_daemon.start("dbus-daemon",
                       {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        if (m_daemon.waitForReadyRead(10'000))
            m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus() {
        keepRunningWhenTheBusCloses();
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
    const QString& address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

// A gnome-keyring with data of its own: with no keyring, as on a fresh account, or with a login
// keyring made and unlocked with `loginPassword`, as the desktop's login does.
class KeyringDaemon {
public:
    explicit KeyringDaemon(const QByteArray& loginPassword = {}) {
        QDir(m_dir.path()).mkpath("data");
        QDir(m_dir.path()).mkpath("runtime");
        QFile::setPermissions(m_dir.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        start(loginPassword);
    }
    ~KeyringDaemon() { kill(); }
    // Starts it, again over the same data once it was killed; `loginPassword` as above.
    void start(const QByteArray& loginPassword) {
        QStringList arguments{"--foreground", "--components=secrets"};
        arguments << (loginPassword.isEmpty() ? "--start" : "--unlock");
        m_daemon.start("gnome-keyring-daemon", arguments);
        m_daemon.waitForStarted(5000);
        if (!loginPassword.isEmpty())
            m_daemon.write(loginPassword);
        m_daemon.closeWriteChannel();
    }
    bool isOnBus() const { return m_daemon.processId() > 0 && ownerPid(secretsService) == pid(); }
    qint64 pid() const { return m_daemon.processId(); }
    void kill() {
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

// The desktop's prompt (a keyring's password to type or choose), as the user answers it: text
// typed, or keys ("#Tab") pressed. An empty list only waits for it to show.
inline bool answerPrompt(const QStringList& keys) {
    const auto found =
        run("xdotool", {"search", "--sync", "--onlyvisible", "--class", "gcr-prompter"}, 15'000);
    const QString window = found ? found->section('\n', 0, 0) : QString();
    if (window.isEmpty())
        return false;
    // The window manager is asked to make it active, and the keys sent once it is.
    run("xdotool", {"windowactivate", window});
    const bool active = TestSupport::pumpUntil(
        [&] { return run("xdotool", {"getactivewindow"}).value_or("").trimmed() == window; });
    if (!active)
        return false;
    for (const QString& key : keys) {
        // Typed into the active window as a keyboard would: the prompt takes no sent events.
        const QStringList arguments =
            key.startsWith('#') ? QStringList{"key", key.mid(1)} : QStringList{"type", key};
        if (!run("xdotool", arguments))
            return false;
    }
    return true;
}

// Whether no prompt of the desktop's shows.
inline bool noPromptShows() {
    return !run("xdotool", {"search", "--onlyvisible", "--class", "gcr-prompter"}).has_value();
}

// A secret as the Secret Service carries it: (oayays).
struct Secret {
    QDBusObjectPath session;
    QByteArray parameters;
    QByteArray value;
    QString contentType;
};

} // namespace PrivateKeyring

Q_DECLARE_METATYPE(PrivateKeyring::Secret)

inline QDBusArgument& operator<<(QDBusArgument& argument, const PrivateKeyring::Secret& secret) {
    argument.beginStructure();
    argument << secret.session << secret.parameters << secret.value << secret.contentType;
    argument.endStructure();
    return argument;
}

inline const QDBusArgument& operator>>(const QDBusArgument& argument,
                                       PrivateKeyring::Secret& secret) {
    argument.beginStructure();
    argument >> secret.session >> secret.parameters >> secret.value >> secret.contentType;
    argument.endStructure();
    return argument;
}

namespace PrivateKeyring {

// The service's own calls that the desktop's keyring app makes: unlocking with the keyring's
// password without a prompt, as the user does elsewhere, and locking. On the session bus.
class KeyringControl {
public:
    KeyringControl() {
        qDBusRegisterMetaType<Secret>();
        qDBusRegisterMetaType<QMap<QString, QString>>();
        const QDBusMessage opened =
            service().call("OpenSession", "plain", QVariant::fromValue(QDBusVariant(QString())));
        EXPECT_EQ(opened.type(), QDBusMessage::ReplyMessage) << opened.errorMessage().toStdString();
        m_session = opened.arguments().value(1).value<QDBusObjectPath>();
    }

    const QDBusObjectPath& session() const { return m_session; }
    Secret secret(const QByteArray& value) const { return {m_session, {}, value, "text/plain"}; }

    void lock(const QDBusObjectPath& keyring) {
        const QDBusMessage locked =
            service().call("Lock", QVariant::fromValue(QList<QDBusObjectPath>{keyring}));
        EXPECT_EQ(locked.type(), QDBusMessage::ReplyMessage) << locked.errorMessage().toStdString();
    }
    void unlock(const QDBusObjectPath& keyring, const QByteArray& password) {
        const QDBusMessage unlocked =
            internal().call("UnlockWithMasterPassword", QVariant::fromValue(keyring),
                            QVariant::fromValue(secret(password)));
        EXPECT_EQ(unlocked.type(), QDBusMessage::ReplyMessage)
            << unlocked.errorMessage().toStdString();
    }

    // Stores `value` as the item of `attributes` in `keyring` (unlocked), replacing the one there.
    void storeItem(const QDBusObjectPath& keyring, const QMap<QString, QString>& attributes,
                   const QByteArray& value) {
        QDBusInterface collection(secretsService, keyring.path(),
                                  "org.freedesktop.Secret.Collection");
        const QDBusMessage item =
            collection.call("CreateItem",
                            QVariantMap{{"org.freedesktop.Secret.Item.Label", "Parlino e2e key"},
                                        {"org.freedesktop.Secret.Item.Attributes",
                                         QVariant::fromValue(attributes)}},
                            QVariant::fromValue(secret(value)), true);
        EXPECT_EQ(item.type(), QDBusMessage::ReplyMessage) << item.errorMessage().toStdString();
    }

    static QDBusInterface service() {
        return QDBusInterface(secretsService, secretsPath, "org.freedesktop.Secret.Service");
    }
    static QDBusInterface internal() {
        return QDBusInterface(secretsService, secretsPath,
                              "org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface");
    }

private:
    QDBusObjectPath m_session;
};

// A test's fixture: the session bus of the suite's own, a gnome-keyring of the test's own (see
// KeyringDaemon for `loginPassword`) and a store over them whose calls time out after
// `timeoutSeconds`.
class PrivateKeyringTest : public ::testing::Test {
protected:
    explicit PrivateKeyringTest(
        QByteArray loginPassword = {},
        double timeoutSeconds = Parlino::KeychainStore::defaultTimeoutSeconds)
        : loginPassword(std::move(loginPassword)),
          store(service, Base::QtScheduler::shared(), timeoutSeconds) {}

    static void SetUpTestSuite() {
        if (!TestSupport::inDesktopSession() || qEnvironmentVariableIsEmpty("DISPLAY") ||
            QStandardPaths::findExecutable("gnome-keyring-daemon").isEmpty())
            return;
        bus = new PrivateBus;
        qputenv("DBUS_SESSION_BUS_ADDRESS", bus->address().toUtf8());
    }
    static void TearDownTestSuite() { delete std::exchange(bus, nullptr); }

    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(bus && !bus->address().isEmpty(),
                                "a desktop session (scripts/ci-services.sh) with gnome-keyring");
        keyring.emplace(loginPassword);
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return keyring->isOnBus(); }, 10'000))
            << "the test's own gnome-keyring is not the one on the test's bus";
    }

    Parlino::KeychainReadResult read() {
        std::optional<Parlino::KeychainReadResult> result;
        store.read(account, [&](Parlino::KeychainReadResult r) { result = std::move(r); });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return result.has_value(); }, 15'000));
        return result.value_or(
            Parlino::KeychainReadResult::error(Parlino::KeychainStatus::timedOut));
    }
    // Heard in `written`, shared with the call: a save that a failed test left waiting on its
    // prompt may end after the test.
    void write(const QString& value, std::stop_token cancel = {}) {
        store.write(
            account, value,
            [written = written](auto result) {
                *written = result ? Parlino::KeychainStatus::success : result.error().status;
            },
            cancel);
    }
    bool writeEnds(int timeoutMs = 15'000) {
        return TestSupport::pumpUntil([&] { return written->has_value(); }, timeoutMs);
    }

    static inline PrivateBus* bus = nullptr;
    const QByteArray loginPassword;
    const QString service = QStringLiteral("com.parlino.app.e2e");
    const QString account = Parlino::apiKeyAccount;
    std::optional<KeyringDaemon> keyring;
    Parlino::KeychainStore store;
    std::shared_ptr<std::optional<qint32>> written = std::make_shared<std::optional<qint32>>();
};

} // namespace PrivateKeyring
