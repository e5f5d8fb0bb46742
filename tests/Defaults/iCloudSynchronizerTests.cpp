#include "Defaults/InMemoryKeyValueStore.h"
#include "Defaults/iCloud.h"

#include "Suite.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"

#include <atomic>
#include <thread>

using Base::Date;
using Base::PropertyValue;
using Defaults::iCloudSynchronizer;

namespace {

// The remote store, counting the entries the synchroniser writes.
class RemoteStore final : public Defaults::DefaultsKeyValueStore {
public:
    std::optional<PropertyValue> object(const QString& key) const override {
        return store.object(key);
    }
    void set(std::optional<PropertyValue> value, const QString& key) override {
        ++writes;
        store.set(std::move(value), key);
    }
    void removeObject(const QString& key) override {
        ++writes;
        store.removeObject(key);
    }
    bool synchronize() override { return store.synchronize(); }
    void setExternalChangeHandler(ExternalChangeHandler handler) override {
        store.setExternalChangeHandler(std::move(handler));
    }

    Defaults::InMemoryKeyValueStore store;
    std::atomic<int> writes = 0;
};

PropertyValue entry(double timestamp, PropertyValue value) {
    return PropertyValue::Array{Date{timestamp}, std::move(value)};
}

class SynchronizerTest : public SuiteTest {
protected:
    std::shared_ptr<RemoteStore> remote = std::make_shared<RemoteStore>();
    // Each queued operation is dated one second after the one before.
    std::atomic<int> operations = 0;
    std::shared_ptr<iCloudSynchronizer> synchronizer =
        iCloudSynchronizer::make(remote, [this] { return Date{1000.0 + ++operations}; });
    Defaults::Key<int> count{"count", 1, suite};
    Defaults::Key<QString> name{"name", "none", suite};

    // Nothing the synchroniser started holds it: it goes at once, on this thread.
    void TearDown() override {
        std::weak_ptr<iCloudSynchronizer> released = synchronizer;
        synchronizer.reset();
        EXPECT_TRUE(released.expired());
    }

    void waitForSync() {
        bool done = false;
        synchronizer->sync([&] { done = true; });
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return done; }));
    }
    void setLocalTimestamp(const Defaults::AnyKey& key, double timestamp) {
        suite->set(key.name() + iCloudSynchronizer::defaultsSyncKey, Date{timestamp});
    }
};

} // namespace

TEST_F(SynchronizerTest, AddingAKeyAtItsDefaultTakesANewerRemoteValue) {
    remote->store.set(entry(500, 7), "count");
    synchronizer->add(count);
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 7);
    // Dated by the download, not by the remote entry; and not uploaded again.
    EXPECT_EQ(synchronizer->localTimestamp(count), Date{1001});
    EXPECT_EQ(remote->object("count"), entry(500, 7));
    EXPECT_EQ(remote->writes, 0);
}

TEST_F(SynchronizerTest, AddingAKeyWithANewerLocalTimestampChangesNothing) {
    remote->store.set(entry(500, 7), "count");
    setLocalTimestamp(count, 600);
    synchronizer->add(count);
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 1);
    EXPECT_EQ(operations, 0);
}

TEST_F(SynchronizerTest, AddingAChangedKeySynchronisesFromTheNewerSide) {
    Defaults::set(count, 3);
    Defaults::set(name, QStringLiteral("mine"));
    const Defaults::Key<int> undated("undated", 0, suite);
    Defaults::set(undated, 4);
    remote->store.set(entry(500, 7), "count");
    setLocalTimestamp(count, 500); // equal: the remote side wins
    setLocalTimestamp(name, 800);
    remote->store.set(entry(700, "theirs"), "name");

    synchronizer->add(count);
    synchronizer->add(name);
    synchronizer->add(undated);
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 7);
    EXPECT_EQ(remote->object("name"), entry(1002, "mine"));
    EXPECT_EQ(remote->object("undated"), std::nullopt);
    EXPECT_EQ(Defaults::get(undated), 4);
    EXPECT_EQ(operations, 2);
}

TEST_F(SynchronizerTest, ALocalWriteIsDatedAndUploaded) {
    synchronizer->add(count);
    Defaults::set(count, 5);
    waitForSync();
    EXPECT_EQ(synchronizer->localTimestamp(count), Date{1001});
    EXPECT_EQ(remote->object("count"), entry(1001, 5));

    // A reset key uploads what it reads then: its registered default.
    count.reset();
    waitForSync();
    EXPECT_EQ(remote->object("count"), entry(1002, 1));
}

TEST_F(SynchronizerTest, RemovingALocalValueRemovesTheRemoteEntry) {
    const Defaults::Key<std::optional<QString>> voice("voice", suite);
    synchronizer->add(voice);
    Defaults::set(voice, QStringLiteral("v1"));
    waitForSync();
    EXPECT_EQ(remote->object("voice"), entry(1001, "v1"));
    Defaults::set(voice, std::nullopt);
    waitForSync();
    EXPECT_EQ(remote->object("voice"), std::nullopt);
    EXPECT_EQ(synchronizer->localTimestamp(voice), Date{1002});
}

TEST_F(SynchronizerTest, AnExternalChangeNewerThanTheLocalOneIsDownloaded) {
    synchronizer->add(count);
    synchronizer->add(name);
    setLocalTimestamp(count, 600);
    setLocalTimestamp(name, 600);
    remote->store.changeExternally({{"count", entry(600, 8)}, {"name", entry(601, "theirs")}});
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 1);
    EXPECT_EQ(Defaults::get(name), QStringLiteral("theirs"));
    EXPECT_EQ(synchronizer->localTimestamp(name), Date{1001});
    EXPECT_EQ(remote->writes, 0);
}

TEST_F(SynchronizerTest, OnlyWellFormedRemoteEntriesAreDownloaded) {
    synchronizer->add(count);
    remote->store.changeExternally({{"count", PropertyValue::Array{Date{700}}}});
    waitForSync();
    remote->store.changeExternally({{"count", PropertyValue(9)}});
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 1);
    EXPECT_EQ(synchronizer->localTimestamp(count), std::nullopt);

    remote->store.changeExternally({{"count", entry(700, 9)}, {"unknown", entry(700, 1)}});
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 9);
    EXPECT_EQ(suite->objectForKey("unknown"), std::nullopt);
}

TEST_F(SynchronizerTest, SyncWaitsForADownloadQueuedBeforeIt) {
    synchronizer->add(name);
    remote->store.changeExternally({{"name", entry(700, "theirs")}});
    QString seen;
    bool done = false;
    synchronizer->sync([&] {
        seen = Defaults::get(name);
        done = true;
    });
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return done; }));
    EXPECT_EQ(seen, QStringLiteral("theirs"));
}

TEST_F(SynchronizerTest, RemovedKeysAreNoLongerSynchronised) {
    synchronizer->add(count);
    synchronizer->add(name);
    synchronizer->remove(count);
    EXPECT_EQ(synchronizer->keys(), QSet<Defaults::AnyKey>{name});
    Defaults::set(count, 2);
    remote->store.changeExternally({{"count", entry(700, 9)}});
    waitForSync();
    EXPECT_EQ(Defaults::get(count), 2);
    EXPECT_EQ(remote->writes, 0);

    synchronizer->removeAll();
    Defaults::set(name, QStringLiteral("n"));
    waitForSync();
    EXPECT_TRUE(synchronizer->keys().isEmpty());
    EXPECT_EQ(remote->writes, 0);
}

TEST_F(SynchronizerTest, KeysAddedAndWrittenFromManyThreadsAreEachUploadedOnce) {
    QList<Defaults::Key<int>> keys;
    for (int i = 0; i < 8; ++i)
        keys.append(Defaults::Key<int>(QStringLiteral("k%1").arg(i), 0, suite));
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (const auto& key : keys)
                synchronizer->add(key);
        });
    for (auto& thread : threads)
        thread.join();
    threads.clear();
    EXPECT_EQ(synchronizer->keys().size(), keys.size());

    for (int i = 0; i < keys.size(); ++i)
        threads.emplace_back([&, i] { Defaults::set(keys[i], i + 1); });
    for (auto& thread : threads)
        thread.join();
    waitForSync();
    EXPECT_EQ(remote->writes, keys.size());
    for (int i = 0; i < keys.size(); ++i) {
        const auto timestamp = synchronizer->localTimestamp(keys[i]);
        ASSERT_TRUE(timestamp);
        EXPECT_EQ(remote->object(keys[i].name()),
                  entry(timestamp->secondsSinceReferenceDate, i + 1));
    }
}

TEST_F(SynchronizerTest, LogsOnlyWhileDebugging) {
    TestSupport::LogCapture capture;
    synchronizer->add(count);
    Defaults::set(count, 2);
    waitForSync();
    EXPECT_TRUE(capture.messages("defaults").filter("[Defaults.iCloud]").isEmpty());

    Defaults::iCloud::setDebug(true);
    Defaults::set(count, 3);
    waitForSync();
    Defaults::iCloud::setDebug(false);
    EXPECT_EQ(capture.messages("defaults").filter("[Defaults.iCloud]"),
              (QStringList{"[Defaults.iCloud] Try synchronizing key 'count' from local",
                           "[Defaults.iCloud] Synchronizing key 'count' with value 3 from local",
                           "[Defaults.iCloud] Complete synchronization key 'count' from local"}));
}

TEST(ICloudTest, AKeyDeclaredForSynchronisationJoinsTheSharedSynchroniser) {
    QTemporaryDir folder;
    auto suite = Base::UserDefaults::open(QStringLiteral("test"), folder.path());
    const Defaults::Key<int> synced("synced", 1, suite, true);
    const Defaults::Key<int> local("local", 1, suite);
    EXPECT_TRUE(Defaults::iCloud::keys().contains(synced));
    EXPECT_FALSE(Defaults::iCloud::keys().contains(local));
    Defaults::iCloud::remove({synced});
    EXPECT_FALSE(Defaults::iCloud::keys().contains(synced));
}
