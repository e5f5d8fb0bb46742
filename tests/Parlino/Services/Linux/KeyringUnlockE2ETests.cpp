// A save into a locked keyring, against a session bus and a gnome-keyring of the test's own whose
// login keyring holds a key and is locked: the desktop's unlock prompt is answered, dismissed,
// left waiting while the keyring is unlocked elsewhere, or loses its prompter or its daemon. In
// every case the daemon stays up (a prompt dismissed under it would abort it) and the next call
// is answered.
#include "Base/NotificationCenter.h"
#include "Base/Scheduler.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/Linux/KeychainStore.h"
#include "Parlino/Settings/APIKeyPaneModel.h"

#include "PrivateKeyring.h"

#include "support/DesktopSession.h"
#include "support/EventLoop.h"
#include "support/FakeSpeechService.h"

#include <QNetworkAccessManager>
#include <gtest/gtest.h>

#include <signal.h>

namespace {

using Parlino::KeychainReadResult;
using Parlino::KeychainStore;
using namespace PrivateKeyring;
namespace KeychainStatus = Parlino::KeychainStatus;

const QDBusObjectPath loginKeyring{QStringLiteral("/org/freedesktop/secrets/collection/login")};

// A time-out far shorter than the user takes over the prompt.
class KeyringUnlockE2E : public PrivateKeyringTest {
protected:
    KeyringUnlockE2E() : PrivateKeyringTest("pw", 2) {}

    void SetUp() override {
        PrivateKeyringTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        control.emplace();
        control->storeItem(loginKeyring, {{"service", service}, {"account", account}}, "sk_old");
        control->lock(loginKeyring);
        ASSERT_EQ(read(), KeychainReadResult::locked(KeychainStatus::locked));
    }
    void TearDown() override {
        control.reset();
        keyring.reset(); // its prompter closes a prompt left up
        EXPECT_TRUE(TestSupport::pumpUntil([] { return noPromptShows(); }, 10'000));
    }

    // The prompt is up, and the store says so.
    void expectPromptWaits() {
        ASSERT_TRUE(answerPrompt({})) << "no unlock prompt";
        EXPECT_TRUE(TestSupport::pumpUntil(
            [&] { return read() == KeychainReadResult::locked(KeychainStatus::awaitingUnlock); }));
    }

    std::optional<KeyringControl> control;
};

// The prompt is waited for past every call's time-out, named while it waits, and the key stored
// once the user has typed the keyring's password.
TEST_F(KeyringUnlockE2E, ASaveWaitsForTheUnlockPromptAsLongAsTheUserTakes) {
    bool changed = false;
    store.whenMayAnswerOtherwise([&] { changed = true; });
    write("sk_new");
    expectPromptWaits();
    EXPECT_TRUE(changed) << "the prompt coming up is a change";
    EXPECT_FALSE(writeEnds(5000)) << "given up under the prompt";

    ASSERT_TRUE(answerPrompt({"pw", "#Return"}));
    ASSERT_TRUE(writeEnds());
    EXPECT_EQ(*written, KeychainStatus::success);
    EXPECT_EQ(read(), KeychainReadResult::found("sk_new"));
    EXPECT_TRUE(keyring->isOnBus());
}

TEST_F(KeyringUnlockE2E, ADismissedPromptLeavesTheKeyringLockedAndAnUnlockElsewhereIsReadAtOnce) {
    write("sk_new");
    expectPromptWaits();
    ASSERT_TRUE(answerPrompt({"#Escape"}));
    ASSERT_TRUE(writeEnds());
    EXPECT_EQ(*written, KeychainStatus::locked);
    EXPECT_EQ(read(), KeychainReadResult::locked(KeychainStatus::locked));

    control->unlock(loginKeyring, "pw");
    EXPECT_EQ(read(), KeychainReadResult::found("sk_old"));
    EXPECT_TRUE(keyring->isOnBus());
}

// Unlocked in the desktop's passwords app while the prompt waits: the save goes on, and the
// prompt, never dismissed, is left to the user.
TEST_F(KeyringUnlockE2E, AKeyringUnlockedElsewhereWhileThePromptWaitsTakesTheSave) {
    write("sk_new");
    expectPromptWaits();
    control->unlock(loginKeyring, "pw");
    ASSERT_TRUE(writeEnds(5000));
    EXPECT_EQ(*written, KeychainStatus::success);
    EXPECT_EQ(read(), KeychainReadResult::found("sk_new"));
    EXPECT_TRUE(keyring->isOnBus());
}

TEST_F(KeyringUnlockE2E, APrompterThatGoesEndsTheSaveAsLocked) {
    write("sk_new");
    expectPromptWaits();
    const qint64 prompter = ownerPid(prompterService);
    ASSERT_GT(prompter, 0);
    kill(pid_t(prompter), SIGKILL);
    ASSERT_TRUE(writeEnds(5000));
    EXPECT_EQ(*written, KeychainStatus::locked);
    control->unlock(loginKeyring, "pw");
    EXPECT_EQ(read(), KeychainReadResult::found("sk_old"));
    EXPECT_TRUE(keyring->isOnBus());
}

// A save given up while its prompt waits dismisses nothing: the daemon lives, the prompt stays
// the user's, and the calls after it are answered.
TEST_F(KeyringUnlockE2E, ASaveCancelledUnderItsPromptLeavesThePromptToTheUser) {
    std::stop_source cancel;
    write("sk_new", cancel.get_token());
    expectPromptWaits();
    cancel.request_stop();
    EXPECT_EQ(read(), KeychainReadResult::locked(KeychainStatus::awaitingUnlock));
    EXPECT_FALSE(noPromptShows());
    ASSERT_TRUE(answerPrompt({"pw", "#Return"}));
    EXPECT_TRUE(
        TestSupport::pumpUntil([&] { return read() == KeychainReadResult::found("sk_old"); }));
    EXPECT_FALSE(written->has_value());
    EXPECT_TRUE(keyring->isOnBus());
}

// Whoever follows the keyring hears its daemon go, with no call of its own on the way: what it
// showed may be gone with it.
TEST_F(KeyringUnlockE2E, AKeyringDaemonThatGoesIsHeardOf) {
    bool changed = false;
    store.whenMayAnswerOtherwise([&] { changed = true; });
    keyring->kill();
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return changed; }, 1000));
}

TEST_F(KeyringUnlockE2E, AKeyringDaemonKilledDuringThePromptEndsTheSaveAtOnce) {
    write("sk_new");
    expectPromptWaits();
    keyring->kill();
    ASSERT_TRUE(writeEnds(5000)) << "not left to the prompt";
    EXPECT_EQ(*written, KeychainStatus::unavailable);
}

// The API Key pane over this keyring: its daemon killed under the save's prompt and started again
// unlocked, the keyring holds the old key, which the pane never takes for the one saved.
TEST_F(KeyringUnlockE2E, TheKeyPaneNeverCallsTheOldKeyOfADaemonStartedAgainSaved) {
    TestSupport::FakeSpeechService service;
    service.on("GET", QStringLiteral("/v1/user"),
               TestSupport::FakeSpeechService::Response::json(Base::Json::Value{
                   {"subscription", {{"character_count", 5}, {"character_limit", 10}}}}));
    QNetworkAccessManager session;
    Base::NotificationCenter notifications;
    Parlino::APIKeyPaneModel pane(store, service.baseURL(), session, notifications);
    pane.follow();
    pane.setKeyInput("sk_new");
    pane.validateAndSave();
    expectPromptWaits();

    keyring->kill();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !pane.isChecking(); }, 5000));
    keyring->start(loginPassword);
    EXPECT_TRUE(TestSupport::pumpUntil(
        [&] { return pane.status() == Parlino::APIKeyPaneModel::keyringRefusedStatus; }, 10'000))
        << pane.status().toStdString();
    EXPECT_EQ(read(), KeychainReadResult::found("sk_old"));
    TestSupport::drainEvents();
    EXPECT_EQ(pane.layout(), Parlino::APIKeyPaneModel::Layout::entry);
    EXPECT_EQ(pane.keyInput(), QStringLiteral("sk_new"));
}

} // namespace
