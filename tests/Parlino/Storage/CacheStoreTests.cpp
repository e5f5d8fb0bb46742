#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/StorageFiles.h"

#include "Parlino/Storage/StorageTesting.h"
#include "support/EventLoop.h"
#include "support/LogCapture.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Parlino;
using namespace StorageTesting;
using Core::WordTiming;

namespace {

QString key(char digit) {
    return QString(64, QChar::fromLatin1(digit));
}

const Core::TimedWords words{QList<WordTiming>{{QStringLiteral("Hello,"), {0, 6}, 0.05, 0.42},
                                               {QStringLiteral("world"), {7, 12}, 0.5, 0.96}}};

class CacheStoreTest : public ::testing::Test {
protected:
    CacheStore makeStore(qint64 maxBytes = CacheStore::defaultMaxBytes) {
        return CacheStore(root, maxBytes, [this] { return now; });
    }
    static void open(CacheStore& store) {
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return store.isOpen(); }));
    }
    // How many damaged entries a store opened now removes.
    int reconciled() {
        auto store = makeStore();
        int removed = -1;
        store.whenOpen([&](int count) { removed = count; });
        TestSupport::pumpUntil([&] { return removed >= 0; });
        return removed;
    }
    static qint64 measured(CacheStore& store) {
        QObject receiver;
        qint64 bytes = -1;
        store.totalBytes(receiver, [&](qint64 measured) { bytes = measured; });
        TestSupport::pumpUntil([&] { return bytes >= 0; });
        return bytes;
    }
    static void clear(CacheStore& store) {
        QObject receiver;
        bool cleared = false;
        store.clear(receiver, [&] { cleared = true; });
        ASSERT_TRUE(TestSupport::pumpUntil([&] { return cleared; }));
    }
    // Entries of 400 bytes that an earlier run stored a minute apart, in the given order.
    void storeInAnEarlierRun(std::initializer_list<char> digits) {
        auto earlier = makeStore();
        for (const char digit : digits) {
            earlier.store(key(digit), audioChunks(1, 400), words);
            now = Base::Date{now.secondsSinceReferenceDate + 60};
        }
    }
    fs::path entry(char digit) const { return root / "audio" / key(digit).toStdString(); }
    double mtimeSeconds(char digit) const {
        using namespace std::chrono;
        const auto sys = file_clock::to_sys(fs::last_write_time(entry(digit)));
        return duration<double>(sys.time_since_epoch()).count();
    }

    TemporaryFolder folder;
    fs::path root = folder.path() / "com.parlino.app";
    Base::Date now = utc(2026, 1, 5, 13, 45, 1);
};

TEST_F(CacheStoreTest, StoredReadIsFoundChunkForChunk) {
    auto store = makeStore();
    const auto chunks = audioChunks(3, 100);
    store.store(key('a'), chunks, words);

    const auto hit = store.lookup(key('a'));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->chunks, chunks);
    EXPECT_EQ(hit->words, words);
    EXPECT_EQ(names(entry('a')), (std::vector<std::string>{"chunk-0.mp3", "chunk-1.mp3",
                                                           "chunk-2.mp3", "manifest.json"}));
    EXPECT_EQ(store.lookup(key('b')), std::nullopt);
}

TEST_F(CacheStoreTest, AChunkTooLargeToReadBackIsNeverStored) {
    auto store = makeStore();
    store.store(key('a'), {{QByteArray(StorageFiles::maxFileBytes + 1, 'x'), 1.0}}, words);
    EXPECT_FALSE(fs::exists(entry('a')));
    EXPECT_TRUE(names(root / "staging").empty()) << "the half-built entry is removed";
    EXPECT_EQ(store.lookup(key('a')), std::nullopt);
}

TEST_F(CacheStoreTest, ManifestIsCompactJsonInTheWrittenKeyOrder) {
    auto store = makeStore();
    store.store(key('a'), {{QByteArray(20480, 'x'), 1.25}}, words);
    EXPECT_EQ(
        readBytes(entry('a') / "manifest.json"),
        QByteArray(R"({"chunks":[{"fileName":"chunk-0.mp3","sizeBytes":20480,"duration":1.25}],)"
                   R"("words":[{"word":"Hello,","range":[0,6],"start":0.05,"end":0.42},)"
                   R"({"word":"world","range":[7,12],"start":0.5,"end":0.96}]})"));
}

TEST_F(CacheStoreTest, StoringAgainReplacesTheWholeEntry) {
    auto store = makeStore();
    store.store(key('a'), audioChunks(3, 10), words);
    store.store(key('a'), audioChunks(1, 20), {});

    EXPECT_EQ(names(entry('a')), (std::vector<std::string>{"chunk-0.mp3", "manifest.json"}));
    const auto hit = store.lookup(key('a'));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->chunks, audioChunks(1, 20));
    EXPECT_TRUE(hit->words.isEmpty());
}

TEST_F(CacheStoreTest, ChunkFileMissingOrOfTheWrongSizeRemovesTheEntry) {
    auto store = makeStore();
    store.store(key('a'), audioChunks(2, 10), words);
    store.store(key('b'), audioChunks(2, 10), words);
    fs::resize_file(entry('a') / "chunk-1.mp3", 9);
    fs::remove(entry('b') / "chunk-0.mp3");

    EXPECT_EQ(store.lookup(key('a')), std::nullopt);
    EXPECT_EQ(store.lookup(key('b')), std::nullopt);
    EXPECT_FALSE(fs::exists(entry('a')));
    EXPECT_FALSE(fs::exists(entry('b')));
}

TEST_F(CacheStoreTest, ChunkFilesAreReadWhenTheirAudioIsFirstUsed) {
    auto store = makeStore();
    store.store(key('a'), audioChunks(3, 10), words);
    const auto hit = store.lookup(key('a'));
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->words, words);
    writeBytes(entry('a') / "chunk-1.mp3", QByteArray(10, '#'));
    fs::remove(entry('a') / "chunk-2.mp3");

    EXPECT_EQ(hit->chunks[0].audio.bytes(), audioChunks(3, 10)[0].audio.bytes());
    EXPECT_EQ(hit->chunks[1].audio.bytes(), QByteArray(10, '#'));
    EXPECT_EQ(hit->chunks[2].audio.bytes(), QByteArray()); // gone since the lookup
    EXPECT_EQ(hit->chunks[2].duration, audioChunks(3, 10)[2].duration);
}

TEST_F(CacheStoreTest, UnreadableManifestIsAMissThatReconcileCleansUp) {
    auto store = makeStore();
    open(store);
    store.store(key('a'), audioChunks(1, 10), words);
    store.store(key('b'), audioChunks(1, 10), words);
    fs::remove(entry('a') / "manifest.json");
    writeBytes(entry('b') / "manifest.json", "{}");

    EXPECT_EQ(store.lookup(key('a')), std::nullopt);
    EXPECT_EQ(store.lookup(key('b')), std::nullopt);
    EXPECT_TRUE(fs::exists(entry('a')));
    EXPECT_TRUE(fs::exists(entry('b')));

    EXPECT_EQ(reconciled(), 2);
    EXPECT_EQ(names(root / "audio"), std::vector<std::string>{});
}

TEST_F(CacheStoreTest, ReconcileKeepsSoundAndMerelyUnreadableEntries) {
    auto store = makeStore();
    open(store);
    store.store(key('a'), audioChunks(2, 10), words);
    writeBytes(entry('b') / "manifest.json", R"({"chunks":[],"words":[]})");
    store.store(key('d'), audioChunks(2, 10), words);
    fs::resize_file(entry('d') / "chunk-0.mp3", 11);
    writeBytes(root / "audio" / "stray.txt", "left alone");

    EXPECT_EQ(reconciled(), 1);
    EXPECT_EQ(
        names(root / "audio"),
        (std::vector<std::string>{key('a').toStdString(), key('b').toStdString(), "stray.txt"}));
    const auto empty = store.lookup(key('b'));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->chunks.isEmpty());
    EXPECT_TRUE(empty->words.isEmpty());
}

// Entries whose files are not regular files of their own: reading them must not block (a pipe
// with no writer), exhaust memory (a link to an endless device, a huge file) or leave the cache
// (a link to a file elsewhere, even one that would read as sound).
class CacheStoreForeignFilesTest : public CacheStoreTest {
protected:
    void SetUp() override {
        auto store = makeStore();
        open(store);
        for (const char digit : {'a', 'b', 'c', 'd', 'e', 'f'})
            store.store(key(digit), audioChunks(1, 10), words);
        const fs::path elsewhere = folder.path() / "elsewhere";
        fs::create_directories(elsewhere);

        fs::remove(entry('a') / "manifest.json");
        ASSERT_EQ(::mkfifo((entry('a') / "manifest.json").c_str(), 0600), 0);
        fs::remove(entry('b') / "manifest.json");
        fs::create_symlink("/dev/zero", entry('b') / "manifest.json");
        fs::rename(entry('c') / "manifest.json", elsewhere / "manifest.json");
        fs::create_symlink(elsewhere / "manifest.json", entry('c') / "manifest.json");
        fs::rename(entry('d') / "chunk-0.mp3", elsewhere / "chunk-0.mp3");
        fs::create_symlink(elsewhere / "chunk-0.mp3", entry('d') / "chunk-0.mp3");
        fs::resize_file(entry('e') / "manifest.json", StorageFiles::maxFileBytes + 1);
        fs::remove(entry('f') / "chunk-0.mp3");
        ASSERT_EQ(::mkfifo((entry('f') / "chunk-0.mp3").c_str(), 0600), 0);
    }
};

TEST_F(CacheStoreForeignFilesTest, LookupRemovesTheEntryWithoutReadingThem) {
    TestSupport::LogCapture logs;
    auto store = makeStore();
    for (const char digit : {'a', 'b', 'c', 'd', 'e', 'f'}) {
        EXPECT_EQ(store.lookup(key(digit)), std::nullopt) << digit;
        EXPECT_FALSE(fs::exists(fs::symlink_status(entry(digit)))) << digit;
    }
    EXPECT_EQ(logs.messages(QStringLiteral("cacheStore"))
                  .filter(QStringLiteral("lookup: damaged entry removed"))
                  .size(),
              6);
    EXPECT_TRUE(fs::exists(folder.path() / "elsewhere" / "chunk-0.mp3"));
}

TEST_F(CacheStoreForeignFilesTest, ReconcileRemovesTheEntriesWithoutReadingThem) {
    EXPECT_EQ(reconciled(), 6);
    EXPECT_EQ(names(root / "audio"), std::vector<std::string>{});
    EXPECT_TRUE(fs::exists(folder.path() / "elsewhere" / "manifest.json"));
}

TEST_F(CacheStoreTest, AnEntryFolderThatIsALinkIsNotFollowed) {
    auto store = makeStore();
    store.store(key('a'), audioChunks(1, 10), words);
    fs::rename(entry('a'), folder.path() / "elsewhere");
    fs::create_directory_symlink(folder.path() / "elsewhere", entry('a'));

    EXPECT_EQ(store.lookup(key('a')), std::nullopt);
    EXPECT_FALSE(fs::exists(fs::symlink_status(entry('a'))));
    EXPECT_EQ(names(folder.path() / "elsewhere"),
              (std::vector<std::string>{"chunk-0.mp3", "manifest.json"}));
}

TEST_F(CacheStoreTest, EvictsTheLeastRecentlyStoredOrFoundEntries) {
    // The clock stands still: recency comes from the stamps alone.
    auto store = makeStore(1000);
    open(store);
    store.store(key('a'), audioChunks(1, 400), words);
    store.store(key('b'), audioChunks(1, 400), words);
    store.store(key('c'), audioChunks(1, 400), words);
    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('b').toStdString(), key('c').toStdString()}));

    ASSERT_TRUE(store.lookup(key('b')));
    store.store(key('d'), audioChunks(1, 400), words);
    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('b').toStdString(), key('d').toStdString()}));
}

TEST_F(CacheStoreTest, EntriesOfAnEarlierRunAreEvictedOldestFirst) {
    storeInAnEarlierRun({'c', 'a', 'b'});
    auto store = makeStore(1000);
    open(store);
    ASSERT_TRUE(store.lookup(key('c')));
    store.store(key('d'), audioChunks(1, 300), words);
    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('c').toStdString(), key('d').toStdString()}));

    // A replaced entry counts once: storing it again evicts nothing more.
    store.store(key('d'), audioChunks(1, 500), words);
    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('c').toStdString(), key('d').toStdString()}));
}

TEST_F(CacheStoreTest, StampsStayOneMillisecondApartWhenTheClockStandsStillOrStepsBack) {
    auto store = makeStore();
    store.store(key('a'), {}, {});
    store.store(key('b'), {}, {});
    now = Base::Date{now.secondsSinceReferenceDate - 60};
    store.store(key('c'), {}, {});

    EXPECT_NEAR(mtimeSeconds('a'), now.unixSeconds() + 60, 1e-6);
    EXPECT_NEAR(mtimeSeconds('b') - mtimeSeconds('a'), 0.001, 1e-6);
    EXPECT_NEAR(mtimeSeconds('c') - mtimeSeconds('b'), 0.001, 1e-6);
}

TEST_F(CacheStoreTest, EntryLargerThanTheCapIsNotStored) {
    auto store = makeStore(1000);
    store.store(key('a'), audioChunks(1, 400), words);
    store.store(key('b'), audioChunks(1, 400), words);
    store.store(key('b'), audioChunks(3, 400), words);
    store.store(key('c'), audioChunks(1, 1001), words);

    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('a').toStdString(), key('b').toStdString()}));
    EXPECT_EQ(store.lookup(key('b'))->chunks, audioChunks(1, 400));
}

TEST_F(CacheStoreTest, NonFiniteDurationStoresNothing) {
    auto store = makeStore();
    store.store(key('a'), audioChunks(1, 10), words);
    store.store(key('a'), {{"x", std::numeric_limits<double>::quiet_NaN()}}, words);
    store.store(key('b'), {{"x", std::numeric_limits<double>::infinity()}}, words);

    EXPECT_EQ(store.lookup(key('a'))->chunks, audioChunks(1, 10));
    EXPECT_FALSE(fs::exists(entry('b')));
    EXPECT_EQ(names(root / "staging"), std::vector<std::string>{}); // no build left behind
}

TEST_F(CacheStoreTest, KeysThatAreNotSixtyFourLowerCaseHexDigitsNameNothing) {
    auto store = makeStore();
    writeBytes(folder.path() / "manifest.json", R"({"chunks":[],"words":[]})");
    fs::create_directories(root / "audio" / "dir");
    writeBytes(root / "audio" / "dir" / "manifest.json", R"({"chunks":[],"words":[]})");
    const QStringList unsafe{
        QStringLiteral("../.."), QStringLiteral(".."), QStringLiteral(""), QStringLiteral("dir"),
        QString(64, u'F'),       key('a').left(63),    key('a') + u'a',    key('g')};
    for (const auto& bad : unsafe) {
        store.store(bad, audioChunks(1, 10), words);
        EXPECT_EQ(store.lookup(bad), std::nullopt) << bad.toStdString();
    }
    EXPECT_EQ(names(root / "audio"), std::vector<std::string>{"dir"});
    EXPECT_EQ(names(folder.path()), (std::vector<std::string>{"com.parlino.app", "manifest.json"}));
}

TEST_F(CacheStoreTest, ChunkFileNamesThatLeaveTheEntryMakeItUnreadable) {
    auto store = makeStore();
    open(store);
    const QByteArray secret = "secret";
    writeBytes(folder.path() / "secret.mp3", secret);
    for (const char* fileName : {"../../../secret.mp3", "/etc/hostname", "..", ""}) {
        const QByteArray manifest = QByteArray(R"({"chunks":[{"fileName":")") + fileName +
                                    R"(","sizeBytes":6,"duration":1}],"words":[]})";
        writeBytes(entry('a') / "manifest.json", manifest);
        EXPECT_EQ(store.lookup(key('a')), std::nullopt) << fileName;
        EXPECT_TRUE(fs::exists(entry('a')));
        EXPECT_EQ(reconciled(), 1);
    }
    EXPECT_EQ(readBytes(folder.path() / "secret.mp3"), secret);
}

TEST_F(CacheStoreTest, ConstructionClearsStagingAndCreatesAudio) {
    writeBytes(root / "staging" / "C0FFEE" / "chunk-0.mp3", "partial");
    writeBytes(root / "voice-samples" / "1.mp3", "kept");
    makeStore();
    EXPECT_EQ(names(root), (std::vector<std::string>{"audio", "voice-samples"}));
}

TEST_F(CacheStoreTest, ClearEmptiesOnlyTheAudioFolder) {
    auto store = makeStore();
    store.store(key('a'), audioChunks(2, 10), words);
    writeBytes(root / "staging" / "BUILD" / "chunk-0.mp3", "in progress");
    writeBytes(root / "voice-samples" / "1.mp3", "kept");

    clear(store);
    EXPECT_EQ(names(root / "audio"), std::vector<std::string>{});
    EXPECT_EQ(names(root / "staging"), std::vector<std::string>{"BUILD"});
    EXPECT_EQ(names(root / "voice-samples"), std::vector<std::string>{"1.mp3"});
    EXPECT_EQ(measured(store), 0);
}

TEST_F(CacheStoreTest, TotalBytesCountsManifestsAndStrayFilesWhileEvictionDoesNot) {
    auto store = makeStore(1000);
    open(store);
    store.store(key('a'), audioChunks(2, 300), words);
    writeBytes(root / "audio" / "stray" / "deep" / "file.bin", QByteArray(7, 'x'));
    const auto manifestSize = qint64(fs::file_size(entry('a') / "manifest.json"));

    EXPECT_EQ(measured(store), 600 + manifestSize + 7);
    store.store(key('b'), audioChunks(1, 400), words);
    EXPECT_TRUE(fs::exists(entry('a'))); // 600 + 400 audio bytes fit the cap exactly
}

// MARK: Storing in the background

TEST_F(CacheStoreTest, AnEntryStoredInTheBackgroundIsFoundAtOnceAndOnDiskOnceWritten) {
    auto store = makeStore();
    const auto chunks = audioChunks(3, 100);
    store.storeInBackground(key('a'), chunks, words);
    EXPECT_TRUE(store.isStoring());
    const auto pending = store.lookup(key('a'));
    ASSERT_TRUE(pending);
    EXPECT_EQ(*pending, (CacheStore::Entry{chunks, words}));

    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !store.isStoring(); }));
    const auto stored = makeStore().lookup(key('a'));
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, (CacheStore::Entry{chunks, words}));
}

TEST_F(CacheStoreTest, ARemovalOrALaterStoreSupersedesABackgroundStore) {
    auto store = makeStore();
    store.storeInBackground(key('a'), audioChunks(1, 10), words);
    store.remove(key('a'));
    EXPECT_FALSE(store.lookup(key('a')));
    store.storeInBackground(key('b'), audioChunks(1, 10), words);
    store.store(key('b'), audioChunks(2, 20), {});
    store.storeInBackground(key('c'), audioChunks(1, 10), words);
    store.storeInBackground(key('c'), audioChunks(3, 30), {});

    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !store.isStoring(); }));
    TestSupport::drainEvents();
    EXPECT_FALSE(store.lookup(key('a')));
    EXPECT_FALSE(fs::exists(entry('a')));
    EXPECT_EQ(store.lookup(key('b'))->chunks, audioChunks(2, 20));
    EXPECT_EQ(store.lookup(key('c'))->chunks, audioChunks(3, 30));
    EXPECT_TRUE(fs::is_empty(root / "staging"));
}

TEST_F(CacheStoreTest, AStoreGoingAwayPublishesWhatItWasWriting) {
    const auto chunks = audioChunks(2, 50);
    makeStore().storeInBackground(key('a'), chunks, words);
    const auto stored = makeStore().lookup(key('a'));
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->chunks, chunks);
}

// MARK: Opening in the background, clearing under a read

TEST_F(CacheStoreTest, LookupsFindEntriesBeforeTheWalkAndEvictionWaitsForIt) {
    storeInAnEarlierRun({'a', 'b', 'c'});
    // The walk's findings reach the store through its event loop, which has not run yet.
    auto store = makeStore(1000);
    ASSERT_FALSE(store.isOpen());
    ASSERT_TRUE(store.lookup(key('a')));
    store.store(key('d'), audioChunks(1, 100), words);
    EXPECT_EQ(names(root / "audio").size(), 4u);

    open(store); // b is the oldest now
    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('a').toStdString(), key('c').toStdString(),
                                        key('d').toStdString()}));
}

TEST_F(CacheStoreTest, ClearingDuringAReadKeepsTheCapCountedRight) {
    auto store = makeStore(1000);
    open(store);
    store.store(key('a'), audioChunks(1, 400), words);
    store.storeInBackground(key('b'), audioChunks(1, 400), words); // a read ending
    clear(store);
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !store.isStoring(); }));
    EXPECT_EQ(names(root / "audio"), std::vector<std::string>{key('b').toStdString()});

    // Only what is on disk counts: c fits beside b, d evicts b alone.
    store.store(key('c'), audioChunks(1, 400), words);
    EXPECT_EQ(names(root / "audio").size(), 2u);
    store.store(key('d'), audioChunks(1, 400), words);
    EXPECT_EQ(names(root / "audio"),
              (std::vector<std::string>{key('c').toStdString(), key('d').toStdString()}));
    ASSERT_TRUE(store.finishWrites(std::chrono::seconds(10)));
    EXPECT_EQ(measured(store) - qint64(fs::file_size(entry('c') / "manifest.json")) -
                  qint64(fs::file_size(entry('d') / "manifest.json")),
              800);
}

TEST_F(CacheStoreTest, AnAnswerWhoseAskerIsGoneIsDropped) {
    auto store = makeStore();
    auto asker = std::make_unique<QObject>();
    bool answered = false;
    store.totalBytes(*asker, [&](qint64) { answered = true; });
    store.clear(*asker, [&] { answered = true; });
    asker.reset(); // a settings pane closed while the writer works
    ASSERT_TRUE(store.finishWrites(std::chrono::seconds(10)));
    TestSupport::drainEvents();
    EXPECT_FALSE(answered);
}

TEST(CacheStoreText, FormattedSize) {
    const std::vector<std::pair<qint64, const char*>> cases{
        {0, "1 KB"},
        {511, "1 KB"},
        {1536, "2 KB"},
        {1023 * 1024, "1023 KB"},
        {1023 * 1024 + 512, "1 MB"},
        {524288000, "500 MB"},
        {1072693248, "1023 MB"},
        {1073217536, "1.0 GB"},
        {2147483648, "2.0 GB"},
        {-5, "1 KB"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(CacheStore::formattedSize(bytes), QString::fromUtf8(text)) << bytes;
}

TEST(CacheStoreText, ClearButtonTitle) {
    EXPECT_EQ(CacheStore::clearButtonTitle(0), QStringLiteral("Cached audio is empty"));
    EXPECT_EQ(CacheStore::clearButtonTitle(-1), QStringLiteral("Cached audio is empty"));
    EXPECT_EQ(CacheStore::clearButtonTitle(1), QStringLiteral("Clear cached audio (1 KB)"));
    EXPECT_EQ(CacheStore::clearButtonTitle(524288000),
              QStringLiteral("Clear cached audio (500 MB)"));
}

} // namespace
