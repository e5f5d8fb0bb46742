// A Secret Service that runs but holds no default keyring (a fresh account, or gnome-keyring
// started without the desktop's login): a session bus and a gnome-keyring of the test's own, with
// empty data; the desktop's prompt for a new keyring is answered or dismissed with xdotool.
#include "Base/Scheduler.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"

#include "PrivateKeyring.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

using Parlino::KeychainReadResult;
using Parlino::KeychainStore;
using namespace PrivateKeyring;
namespace KeychainStatus = Parlino::KeychainStatus;

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
    std::optional<KeyringDaemon> keyring;
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
    store.whenMayAnswerOtherwise([&] { answering = true; });
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
