#include "Parlino/Services/SecretStore.h"

#include "support/EventLoop.h"
#include "support/FakeSecretStore.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using Parlino::KeychainReadResult;

struct SecretStoreReadTest : ::testing::Test {
    std::optional<KeychainReadResult> read() {
        std::optional<KeychainReadResult> result;
        store.read("elevenlabs-api-key", [&](KeychainReadResult r) { result = r; });
        EXPECT_FALSE(result) << "answered inside the call";
        TestSupport::drainEvents();
        return result;
    }

    TestSupport::FakeSecretStore store;
    TestSupport::LogCapture logs;
};

TEST_F(SecretStoreReadTest, AFoundOrMissingKeyIsNotLogged) {
    EXPECT_EQ(read(), KeychainReadResult::notFound());
    store.secrets.insert("elevenlabs-api-key", "sk_1");
    EXPECT_EQ(read(), KeychainReadResult::found("sk_1"));
    EXPECT_TRUE(logs.messages("keychain").isEmpty());
}

TEST_F(SecretStoreReadTest, ALockedItemIsLoggedOnceAsAnError) {
    store.nextLookup = KeychainReadResult::locked(Parlino::KeychainStatus::locked);
    EXPECT_EQ(read(), KeychainReadResult::locked(Parlino::KeychainStatus::locked));
    const auto records = logs.sink->records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].level, Base::LogLevel::error);
    EXPECT_EQ(records[0].message,
              "keychain read locked (the keyring holding the item is locked): OSStatus=-1");
}

TEST_F(SecretStoreReadTest, AnErrorIsLoggedWithItsStatus) {
    store.nextLookup = KeychainReadResult::error(Parlino::KeychainStatus::timedOut);
    EXPECT_EQ(read(), KeychainReadResult::error(Parlino::KeychainStatus::timedOut));
    EXPECT_EQ(logs.messages("keychain"), QStringList{"keychain read error: OSStatus=-3"});
}

TEST_F(SecretStoreReadTest, ACancelledReadNeverAnswers) {
    std::stop_source cancel;
    bool answered = false;
    store.read(
        "elevenlabs-api-key", [&](KeychainReadResult) { answered = true; }, cancel.get_token());
    cancel.request_stop();
    TestSupport::drainEvents();
    EXPECT_FALSE(answered);
}

} // namespace
