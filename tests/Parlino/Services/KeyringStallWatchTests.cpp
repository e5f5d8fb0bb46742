#include "Parlino/Services/KeyringStallWatch.h"

#include "Parlino/Panel/PanelMessages.h"
#include "Parlino/Services/APIKeyCredential.h"
#include "Parlino/Services/KeyringState.h"
#include "Parlino/Services/WarningModel.h"

#include "support/EventLoop.h"
#include "support/FakeSecretStore.h"

#include <gtest/gtest.h>

namespace {

using namespace Parlino;
using Core::TTSError;
using Phase = PlayerViewModel::Phase;

struct KeyringStallWatchTest : ::testing::Test {
    // Stalls the read on `error`, as the session does, and lets the watch read the key.
    void stall(const TTSError& error) {
        model.setPhase(Phase::stalled(error));
        TestSupport::drainEvents();
    }
    QString row() const { return PanelMessages::stallRow(model.phase()).message; }

    PlayerViewModel model;
    TestSupport::FakeSecretStore store;
    Base::NotificationCenter notifications;
    KeyringStallWatch watch{model, store, notifications};
};

// The row of a read stalled on a keyring away follows the keyring: still away, back with the key,
// then locked; every state in the words the settings use.
TEST_F(KeyringStallWatchTest, TheRowOfAKeyringStallTellsTheKeyringAsItIsNow) {
    store.secrets[apiKeyAccount] = QStringLiteral("sk-saved");
    store.nextLookup = KeychainReadResult::error(KeychainStatus::timedOut);
    stall(TTSError::keyringUnavailable());
    EXPECT_EQ(model.phase(), Phase::stalled(TTSError::keyringUnavailable()));
    EXPECT_EQ(row(), keyringStateText(KeyringState::away));

    store.reach.note(false);
    store.reach.note(true);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return model.phase().causeGone(); }));
    EXPECT_EQ(model.phase().ttsError(), TTSError::keyringUnavailable());
    EXPECT_NE(row(), keyringStateText(KeyringState::away));
    EXPECT_EQ(PanelMessages::stallRow(model.phase()).action, PanelMessages::StallAction::retry);

    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    store.reach.mayAnswerOtherwise();
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !model.phase().causeGone(); }));
    EXPECT_EQ(model.phase(), Phase::stalled(TTSError::keyLocked()));
    EXPECT_EQ(row(), keyringStateText(KeyringState::locked));
}

TEST_F(KeyringStallWatchTest, AKeySavedAfterANoKeyStallIsToldAtOnce) {
    stall(TTSError::noKey());
    EXPECT_FALSE(model.phase().causeGone());
    store.secrets[apiKeyAccount] = QStringLiteral("sk-new");
    notifications.post(apiKeyChanged);
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return model.phase().causeGone(); }));
}

// Only a stall on the key is followed, and only while it stands: a keyring that keeps announcing
// changes is not read once the read went on, nor for any other failure.
TEST_F(KeyringStallWatchTest, NothingIsReadWhileNoReadStandsStalledOnTheKey) {
    stall(TTSError::network(QStringLiteral("offline")));
    store.reach.mayAnswerOtherwise();
    notifications.post(apiKeyChanged);
    TestSupport::drainEvents();
    EXPECT_EQ(store.lookups, 0);

    store.nextLookup = KeychainReadResult::locked(KeychainStatus::locked);
    stall(TTSError::keyLocked());
    const int whileStalled = store.lookups;
    EXPECT_GT(whileStalled, 0);
    model.setPhase(Phase::loading());
    for (int i = 0; i < 3; ++i)
        store.reach.mayAnswerOtherwise();
    notifications.post(apiKeyChanged);
    TestSupport::drainEvents();
    EXPECT_EQ(store.lookups, whileStalled);
}

} // namespace
