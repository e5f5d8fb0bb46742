#include "Parlino/Services/StoredKeyWatch.h"

#include "Parlino/Services/APIKeyCredential.h"

#include "support/EventLoop.h"
#include "support/FakeSecretStore.h"

#include <gtest/gtest.h>

namespace {

using namespace Parlino;

struct StoredKeyWatchTest : ::testing::Test {
    TestSupport::FakeSecretStore store;
    QList<KeychainReadResult> seen;
    StoredKeyWatch watch{store, [this](const KeychainReadResult& result) { seen.append(result); }};
};

// Changes heard while a read is on its way are read once after it, and the last answer told is
// of the store after the last change.
TEST_F(StoredKeyWatchTest, ABurstOfChangesCostsOneMoreReadWhoseAnswerIsTheLastTold) {
    watch.follow();
    EXPECT_EQ(store.lookups, 1);
    store.secrets[apiKeyAccount] = QStringLiteral("sk-new");
    for (int i = 0; i < 5; ++i)
        store.reach.mayAnswerOtherwise();
    EXPECT_EQ(store.lookups, 1) << "not while a read is on its way";
    TestSupport::drainEvents();
    TestSupport::drainEvents();
    EXPECT_EQ(store.lookups, 2);
    EXPECT_EQ(seen, (QList{KeychainReadResult::notFound(), KeychainReadResult::found("sk-new")}));

    store.secrets.clear();
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
    EXPECT_EQ(seen.last(), KeychainReadResult::notFound()) << "still following";
}

TEST_F(StoredKeyWatchTest, NothingIsToldOrReadOnceStoppedOrOfAReadDropped) {
    watch.follow();
    watch.stop();
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
    EXPECT_TRUE(seen.isEmpty()) << "the answer on its way when it stopped";
    EXPECT_EQ(store.lookups, 1);

    watch.read();
    watch.dropRead();
    TestSupport::drainEvents();
    EXPECT_TRUE(seen.isEmpty());
    watch.read();
    store.reach.mayAnswerOtherwise();
    TestSupport::drainEvents();
    EXPECT_EQ(seen.size(), 1) << "a read alone follows nothing";
    EXPECT_EQ(store.lookups, 3);
}

} // namespace
