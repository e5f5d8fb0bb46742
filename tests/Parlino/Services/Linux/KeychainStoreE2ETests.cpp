// Stores, reads, finds locked and deletes the key in the session's real Secret Service
// (gnome-keyring with an unlocked login collection). Skips without one.
#include "Base/Scheduler.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"

#include "PrivateKeyring.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"
#include "support/ManualTime.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

using Parlino::KeychainReadResult;
using Parlino::KeychainStore;
using namespace PrivateKeyring;
namespace KeychainStatus = Parlino::KeychainStatus;

const QString account = Parlino::apiKeyAccount;

bool secretServiceRunning() {
    const auto bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface()->isServiceRegistered(secretsService);
}

// The number of items that secret-tool finds for the store's attributes.
int itemCount(const QString& service) {
    QProcess tool;
    tool.start("secret-tool", {"search", "--all", "service", service, "account", account});
    tool.waitForFinished(10'000);
    const QString listing = QString::fromUtf8(tool.readAllStandardOutput());
    return int(listing.count(
        QRegularExpression(QStringLiteral("^\\[/"), QRegularExpression::MultilineOption)));
}

// A collection of the test's own with one key item in it, locked, so that the session's own
// collections stay as they were. Deleted again when the test ends.
class LockedCollection {
public:
    explicit LockedCollection(const QString& service) {
        const QDBusReply<QDBusObjectPath> created = KeyringControl::internal().call(
            "CreateWithMasterPassword",
            QVariantMap{{"org.freedesktop.Secret.Collection.Label", "Parlino e2e"}},
            QVariant::fromValue(m_control.secret("pw")));
        EXPECT_TRUE(created.isValid()) << created.error().message().toStdString();
        m_path = created.value();
        m_control.storeItem(m_path, {{"service", service}, {"account", account}}, "sk_locked");
        m_control.lock(m_path);
    }
    ~LockedCollection() {
        const QDBusMessage deleted =
            QDBusInterface(secretsService, m_path.path(), "org.freedesktop.Secret.Collection")
                .call("Delete");
        EXPECT_EQ(deleted.type(), QDBusMessage::ReplyMessage)
            << deleted.errorMessage().toStdString();
    }

    // Unlocked with its password, as the desktop's prompt would.
    void unlock() { m_control.unlock(m_path, "pw"); }

private:
    KeyringControl m_control;
    QDBusObjectPath m_path;
};

class KeychainStoreE2E : public ::testing::Test {
protected:
    void SetUp() override {
        PARLINO_REQUIRE_SERVICE(secretServiceRunning(),
                                "no Secret Service on the session bus: start a desktop session "
                                "(scripts/ci-services.sh) with an unlocked gnome-keyring");
    }
    void TearDown() override {
        if (secretServiceRunning())
            removeKey();
    }

    KeychainReadResult read() {
        std::optional<KeychainReadResult> result;
        store.read(account, [&](KeychainReadResult r) { result = std::move(r); });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return result.has_value(); }, 15'000));
        return result.value_or(KeychainReadResult::error(KeychainStatus::timedOut));
    }
    qint32 write(const QString& value) {
        std::optional<qint32> status;
        store.write(account, value, [&](auto result) {
            status = result ? KeychainStatus::success : result.error().status;
        });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return status.has_value(); }, 15'000));
        return status.value_or(KeychainStatus::timedOut);
    }
    qint32 removeKey() {
        std::optional<qint32> status;
        store.remove(account, [&](auto result) {
            status = result ? KeychainStatus::success : result.error().status;
        });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return status.has_value(); }, 15'000));
        return status.value_or(KeychainStatus::timedOut);
    }

    // A service of its own, so that a developer's real key is never touched.
    const QString service =
        QStringLiteral("com.parlino.app.e2e-%1").arg(QCoreApplication::applicationPid());
    KeychainStore store{service, Base::QtScheduler::shared()};
};

TEST_F(KeychainStoreE2E, StoresReplacesReadsAndDeletesTheKey) {
    EXPECT_EQ(read(), KeychainReadResult::notFound());
    ASSERT_EQ(write("sk_first"), KeychainStatus::success);
    EXPECT_EQ(read(), KeychainReadResult::found("sk_first"));
    ASSERT_EQ(write("sk_second ünïcødé"), KeychainStatus::success);
    EXPECT_EQ(read(), KeychainReadResult::found("sk_second ünïcødé"));
    EXPECT_EQ(itemCount(service), 1);

    EXPECT_EQ(removeKey(), KeychainStatus::success);
    EXPECT_EQ(read(), KeychainReadResult::notFound());
    EXPECT_EQ(itemCount(service), 0);
    EXPECT_EQ(removeKey(), KeychainStatus::success) << "deleting a missing key succeeds";
}

TEST_F(KeychainStoreE2E, AKeyInALockedCollectionReadsAsLockedAndIsNotDeletedBehindOurBack) {
    TestSupport::LogCapture logs;
    LockedCollection collection(service);
    EXPECT_EQ(read(), KeychainReadResult::locked(KeychainStatus::locked));
    EXPECT_TRUE(logs.contains(
        "keychain read locked (the keyring holding the item is locked): OSStatus=-1"));

    EXPECT_EQ(removeKey(), KeychainStatus::locked);
    EXPECT_TRUE(logs.contains("keychain delete failed: OSStatus=-1"));
    EXPECT_EQ(read(), KeychainReadResult::locked(KeychainStatus::locked));
}

// Unlocked by the user, the keyring answers with the key: whoever waits is told. (A write into a
// locked keyring is not tried: it has the desktop prompt for the keyring's password.)
TEST_F(KeychainStoreE2E, AKeyringUnlockedIsHeardOf) {
    LockedCollection collection(service);
    bool answering = false;
    store.whenMayAnswerOtherwise([&] { answering = true; });
    collection.unlock();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return answering; }, 5000));
    EXPECT_EQ(read(), KeychainReadResult::found("sk_locked"));
}

// Bytes that are not text, stored under the key's attributes by another program (with none of
// libsecret's own, so that a save makes an item beside it), are a key that cannot be used, not a
// keyring error; the key saved after them is the key, and a removal takes both.
TEST_F(KeychainStoreE2E, AKeyThatIsNotTextReadsAsUnusableAndASaveTakesItsPlace) {
    KeyringControl().storeItem(defaultKeyring, {{"service", service}, {"account", account}},
                               QByteArray("sk_\xff\xfe\x80"));
    EXPECT_EQ(read(), KeychainReadResult::error(KeychainStatus::unusable));
    ASSERT_EQ(write("sk_text"), KeychainStatus::success);
    EXPECT_EQ(read(), KeychainReadResult::found("sk_text"));
    EXPECT_EQ(removeKey(), KeychainStatus::success);
    EXPECT_EQ(itemCount(service), 0);
}

// The key saved, replaced or removed by another program is heard of as it happens, not polled.
TEST_F(KeychainStoreE2E, TheKeyChangedElsewhereIsHeardOf) {
    bool changed = false;
    const auto listen = [&] {
        changed = false;
        store.whenMayAnswerOtherwise([&] { changed = true; });
    };
    listen();
    ASSERT_TRUE(run("sh", {"-c", QStringLiteral("printf sk_elsewhere | secret-tool store "
                                                "--label=e2e service %1 account %2")
                                     .arg(service, account)}));
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return changed; }, 1000)) << "made";
    EXPECT_EQ(read(), KeychainReadResult::found("sk_elsewhere"));
    listen();
    ASSERT_TRUE(run("secret-tool", {"clear", "service", service, "account", account}));
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return changed; }, 1000)) << "deleted";
    EXPECT_EQ(read(), KeychainReadResult::notFound());
}

TEST_F(KeychainStoreE2E, AnAnswerLaterThanTheTimeOutIsDroppedAfterTheTimeOutIsReported) {
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler(clock);
    KeychainStore slowStore(service, scheduler, 5);
    QList<KeychainReadResult> answers;
    slowStore.read(account, [&](KeychainReadResult r) { answers.append(r); });
    scheduler.advance(4.9);
    EXPECT_TRUE(answers.isEmpty());
    scheduler.advance(0.1);
    EXPECT_EQ(answers, QList{KeychainReadResult::error(KeychainStatus::timedOut)});
    EXPECT_FALSE(TestSupport::pumpUntil([&] { return answers.size() > 1; }, 300));
}

// The session's secret service stopped (SIGSTOP) as a hung one is, and resumed when it goes.
class StoppedSecretService {
public:
    StoppedSecretService() {
        const QDBusReply<uint> pid =
            QDBusConnection::sessionBus().interface()->servicePid(secretsService);
        EXPECT_TRUE(pid.isValid()) << pid.error().message().toStdString();
        m_pid = pid.isValid() ? pid_t(pid.value()) : 0;
        if (m_pid > 0)
            kill(m_pid, SIGSTOP);
    }
    ~StoppedSecretService() { resume(); }
    void resume() {
        if (m_pid > 0)
            kill(std::exchange(m_pid, 0), SIGCONT);
    }

private:
    pid_t m_pid = 0;
};

TEST_F(KeychainStoreE2E, AServiceThatDidNotAnswerInTimeIsHeardOutAndSaysSoWhenItAnswers) {
    ASSERT_EQ(write("sk_saved"), KeychainStatus::success);
    KeychainStore impatient(service, Base::QtScheduler::shared(), 1);
    StoppedSecretService stopped;
    QList<KeychainReadResult> answers;
    impatient.read(account, [&](KeychainReadResult r) { answers.append(r); });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !answers.isEmpty(); }, 5000));
    EXPECT_EQ(answers, QList{KeychainReadResult::error(KeychainStatus::timedOut)});
    bool answering = false;
    impatient.whenMayAnswerOtherwise([&] { answering = true; });
    EXPECT_FALSE(TestSupport::pumpUntil([&] { return answering; }, 300));

    stopped.resume();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return answering; }, 10'000));
    EXPECT_EQ(answers.size(), 1) << "the caller heard the time-out only";
    std::optional<KeychainReadResult> again;
    impatient.read(account, [&](KeychainReadResult r) { again = r; });
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return again.has_value(); }, 5000));
    EXPECT_EQ(again, KeychainReadResult::found("sk_saved"));
}

// A service stopped for longer than any call waits (its own prompt, or hung) leaves no call of
// the store's to hear it go on: the watch's call, which waits as long as it takes, does.
TEST_F(KeychainStoreE2E, AServiceStoppedPastEveryCallsWaitIsHeardAsSoonAsItGoesOn) {
    ASSERT_EQ(write("sk_saved"), KeychainStatus::success);
    TestSupport::ManualClock clock;
    TestSupport::ManualScheduler scheduler(clock);
    KeychainStore impatient(service, scheduler, 1);
    StoppedSecretService stopped;
    QList<KeychainReadResult> answers;
    impatient.read(account, [&](KeychainReadResult r) { answers.append(r); });
    scheduler.advance(1);
    ASSERT_EQ(answers, QList{KeychainReadResult::error(KeychainStatus::timedOut)});
    bool answering = false;
    impatient.whenMayAnswerOtherwise([&] { answering = true; });
    scheduler.advance(KeychainStore::lateAnswerSeconds); // the read is given up
    EXPECT_FALSE(TestSupport::pumpUntil([&] { return answering; }, 300));

    stopped.resume();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return answering; }, 5000));
    std::optional<KeychainReadResult> again;
    impatient.read(account, [&](KeychainReadResult r) { again = r; });
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return again.has_value(); }, 5000));
    EXPECT_EQ(again, KeychainReadResult::found("sk_saved"));
}

// A write goes to the service in more than one call: a read asked while it waits must not be
// answered before the write is carried out, or the key it stores looks missing.
TEST_F(KeychainStoreE2E, AReadAskedAfterAStalledWriteShowsWhatTheWriteLeft) {
    KeychainStore impatient(service, Base::QtScheduler::shared(), 3);
    StoppedSecretService stopped;
    std::optional<qint32> written;
    impatient.write(account, "sk_late", [&](auto result) {
        written = result ? KeychainStatus::success : result.error().status;
    });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return written.has_value(); }, 5000));
    EXPECT_EQ(written, KeychainStatus::timedOut);
    std::optional<KeychainReadResult> read;
    impatient.read(account, [&](KeychainReadResult r) { read = r; });
    stopped.resume();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return read.has_value(); }, 15'000));
    EXPECT_EQ(read, KeychainReadResult::found("sk_late"));
}

TEST_F(KeychainStoreE2E, ACancelledCallNeverAnswers) {
    std::stop_source cancel;
    bool answered = false;
    store.read(
        account, [&](KeychainReadResult) { answered = true; }, cancel.get_token());
    cancel.request_stop();
    EXPECT_FALSE(TestSupport::pumpUntil([&] { return answered; }, 300));
}

} // namespace
