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

#include <gtest/gtest.h>

namespace {

using Parlino::KeychainReadResult;
using Parlino::KeychainStore;
using namespace PrivateKeyring;
namespace KeychainStatus = Parlino::KeychainStatus;

class KeyringWithoutDefaultE2E : public PrivateKeyringTest {
protected:
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
