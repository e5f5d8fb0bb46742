// A Secret Service that runs but holds no default keyring (a fresh account, or gnome-keyring
// started without the desktop's login): a session bus and a gnome-keyring of the test's own, with
// empty data; the desktop's prompt for a new keyring is answered or dismissed with xdotool.
#include "Base/Scheduler.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

using Parlino::KeychainReadResult;
using Parlino::KeychainStore;
namespace KeychainStatus = Parlino::KeychainStatus;

const QString secretsService = QStringLiteral("org.freedesktop.secrets");
const QString prompterService = QStringLiteral("org.gnome.keyring.SystemPrompter");

// Runs a program to its end, the test's own events going on meanwhile; its output when it ends
// well.
std::optional<QString> run(const QString& program, const QStringList& arguments,
                           int timeoutMs = 10'000) {
    QProcess process;
    process.start(program, arguments);
    if (!TestSupport::pumpUntil([&] { return process.state() == QProcess::NotRunning; },
                                timeoutMs) ||
        process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    return QString::fromUtf8(process.readAllStandardOutput());
}

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
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }
    const QString& address() const { return m_address; }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
};

// A gnome-keyring with no keyring of its own, as on a fresh account.
class FreshKeyring {
public:
    FreshKeyring() {
        QDir(m_dir.path()).mkpath("data");
        QDir(m_dir.path()).mkpath("runtime");
        QFile::setPermissions(m_dir.filePath("runtime"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_DATA_HOME", m_dir.filePath("data"));
        environment.insert("XDG_RUNTIME_DIR", m_dir.filePath("runtime"));
        m_daemon.setProcessEnvironment(environment);
        m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_daemon.start("gnome-keyring-daemon", {"--start", "--foreground", "--components=secrets"});
        m_daemon.waitForStarted(5000);
    }
    ~FreshKeyring() { kill(); }
    bool isOnBus() const {
        const QDBusReply<uint> pid =
            QDBusConnection::sessionBus().interface()->servicePid(secretsService);
        return pid.isValid() && qint64(pid.value()) == m_daemon.processId();
    }
    void kill() {
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
};

// The desktop's prompt for the new keyring's password, as the user answers it: text typed, or
// keys ("#Tab") pressed.
bool answerPrompt(const QStringList& keys) {
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

class KeyringWithoutDefaultE2E : public ::testing::Test {
protected:
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
        keyring.emplace();
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return keyring->isOnBus(); }, 10'000))
            << "the test's own gnome-keyring is not the one on the test's bus";
    }

    KeychainReadResult read() {
        std::optional<KeychainReadResult> result;
        store.read(account, [&](KeychainReadResult r) { result = std::move(r); });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return result.has_value(); }, 15'000));
        return result.value_or(KeychainReadResult::error(KeychainStatus::timedOut));
    }
    // Heard in `written`, shared with the call: a save that a failed test left waiting on its
    // prompt may end after the test.
    void write(const QString& value) {
        store.write(account, value, [written = written](auto result) {
            *written = result ? KeychainStatus::success : result.error().status;
        });
    }

    static inline PrivateBus* bus = nullptr;
    const QString account = Parlino::apiKeyAccount;
    std::optional<FreshKeyring> keyring;
    KeychainStore store{QStringLiteral("com.parlino.app.e2e"), Base::QtScheduler::shared()};
    std::shared_ptr<std::optional<qint32>> written = std::make_shared<std::optional<qint32>>();
    TestSupport::LogCapture logs;
};

// Read once, the missing keyring is told as such, not as a keyring away; waiting for a change
// waits for the service's announcement of one (here the keyring a save makes), not for any
// answer of the service, which would come at once and again and again.
TEST_F(KeyringWithoutDefaultE2E, IsReadOnceAndAgainOnlyWhenTheServiceAnnouncesAKeyring) {
    EXPECT_EQ(read(), KeychainReadResult::error(KeychainStatus::noKeyring));
    bool answering = false;
    store.whenAnsweringAgain([&] { answering = true; });
    // The service has answered a later call of the same connection: any call of the store's
    // would have been answered by now.
    const QDBusMessage later = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        secretsService, "/org/freedesktop/secrets", "org.freedesktop.DBus.Peer", "Ping"));
    EXPECT_EQ(later.type(), QDBusMessage::ReplyMessage) << later.errorMessage().toStdString();
    TestSupport::drainEvents();
    TestSupport::drainEvents();
    EXPECT_FALSE(answering);
    EXPECT_EQ(logs.messages("keychain").filter("holds no default keyring").size(), 1);

    write("sk_first");
    ASSERT_TRUE(answerPrompt({"pw-new", "#Tab", "pw-new", "#Return"}));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return written->has_value(); }, 15'000));
    EXPECT_EQ(*written, KeychainStatus::success);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return answering; }))
        << "the keyring made is announced";
    EXPECT_EQ(read(), KeychainReadResult::found("sk_first"));
}

TEST_F(KeyringWithoutDefaultE2E, ASaveWhosePromptIsDismissedSaysNoKeyringWasMade) {
    write("sk_first");
    ASSERT_TRUE(answerPrompt({"#Escape"}));
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return written->has_value(); }, 15'000));
    EXPECT_EQ(*written, KeychainStatus::dismissed);
    EXPECT_EQ(read(), KeychainReadResult::error(KeychainStatus::noKeyring));
}

TEST_F(KeyringWithoutDefaultE2E, AKeyringDaemonKilledDuringThePromptEndsTheSaveAtOnce) {
    write("sk_first");
    ASSERT_TRUE(answerPrompt({}));
    keyring->kill();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return written->has_value(); }, 5000))
        << "not left to the prompt's two minutes";
    EXPECT_EQ(*written, KeychainStatus::unavailable);
}

} // namespace
