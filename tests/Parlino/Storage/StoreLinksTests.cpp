// Every store operation with a link to an outside folder put in place of each folder below the
// stores' roots in turn: nothing outside is written, changed or removed.
#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Storage/RecordingsExporter.h"

#include "Parlino/Storage/StorageTesting.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <map>

using namespace Parlino;
using namespace StorageTesting;

namespace {

const QString key(64, u'a');
const QString otherKey(64, u'b');

// Every entry below `folder` with its kind, size, modification time and contents.
std::map<std::string, std::string> snapshot(const fs::path& folder) {
    std::map<std::string, std::string> entries;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat info {};
        EXPECT_EQ(::lstat(entry.path().c_str(), &info), 0);
        std::string description =
            std::to_string(info.st_mode) + ' ' + std::to_string(info.st_size) + ' ' +
            std::to_string(info.st_mtim.tv_sec) + '.' + std::to_string(info.st_mtim.tv_nsec);
        if (S_ISREG(info.st_mode))
            description += ' ' + readBytes(entry.path()).toStdString();
        entries[fs::relative(entry.path(), folder).string()] = description;
    }
    return entries;
}

class StoreLinksTest : public ::testing::Test {
protected:
    void SetUp() override {
        // What the stores write, by the names they write it under.
        for (const char* name :
             {"chunk-0.mp3", "chunk-1.mp3", "manifest.json", "summaries.tsv", "Transcript.txt"})
            writeBytes(outside / name, "outside");
        writeBytes(outside / key.toStdString() / "chunk-0.mp3", "outside");
        writeBytes(outside / "January 2026" / "kept", "outside");
        before = snapshot(outside);
    }

    // Puts a link to the outside folder at `path`, in place of whatever stood there.
    void linkOutside(const fs::path& path) {
        fs::remove_all(path);
        fs::create_directories(path.parent_path());
        fs::create_symlink(outside, path);
    }

    // Stores, finds, stages, evicts, removes and clears cache entries.
    void useCache(CacheStore& cache) {
        cache.store(key, audioChunks(2, 10), {});
        cache.lookup(key);
        auto staged = cache.stageRead();
        if (onStaged)
            onStaged(staged->folder());
        const QList<AudioChunk> kept{{staged->keep(0, "staged"), 1.0},
                                     {staged->keep(1, "audio"), 1.0}};
        cache.storeInBackground(otherKey, kept, {});
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return !cache.isStoring(); }));
        cache.lookup(otherKey);
        cache.store(QString(64, u'c'), audioChunks(1, 4000), {}); // past the cap: evicts
        cache.remove(key);
        QObject asker;
        bool cleared = false;
        cache.totalBytes(asker, [](qint64) {});
        cache.clear(asker, [&] { cleared = true; });
        EXPECT_TRUE(TestSupport::pumpUntil([&] { return cleared; }));
        CacheStore(cacheRoot, 5000).whenOpen([](int) {}); // reconciles as it opens
    }

    void useClips(ClipLibrary& clips) {
        const auto saved =
            clips.save(QStringLiteral("Text."), audioChunks(2, 10), {}, QStringLiteral("v"), {});
        if (saved && onSaved)
            onSaved(clips.root() / saved->rawValue.toStdString());
        clips.saveInBackground(QStringLiteral("More."), audioChunks(1, 10), {}, QStringLiteral("v"),
                               {});
        listClips(clips);
        if (saved) {
            clips.load(*saved);
            clips.deleteClip(*saved);
        }
        EXPECT_TRUE(
            RecordingsExporter::exportRecordings(clips.root(), recordings, QTimeZone::utc(), {}));
        RecordingsExporter::ensureDirectory(recordings);
    }

    void useStores() {
        CacheStore cache(cacheRoot, 5000);
        ClipLibrary clips(clipsRoot);
        if (plantAfterStart)
            plantAfterStart();
        useCache(cache);
        useClips(clips);
    }

    TemporaryFolder temporary;
    fs::path outside = temporary.path() / "outside";
    fs::path cacheRoot = temporary.path() / "cache" / "com.parlino.app";
    fs::path dataRoot = temporary.path() / "data" / "Parlino";
    fs::path clipsRoot = dataRoot / "clips";
    fs::path recordings = dataRoot / "Recordings";
    std::map<std::string, std::string> before;
    std::function<void()> plantAfterStart;
    std::function<void(const fs::path&)> onStaged;
    std::function<void(const fs::path&)> onSaved;
    TestSupport::LogCapture logs;
};

TEST_F(StoreLinksTest, NothingOutsideIsWrittenOrRemovedThroughALinkAtAnyFolderOfTheStores) {
    const std::vector<fs::path> folders{cacheRoot / "audio",
                                        cacheRoot / "audio" / key.toStdString(),
                                        cacheRoot / "audio" / otherKey.toStdString(),
                                        cacheRoot / "staging",
                                        clipsRoot,
                                        clipsRoot / "staging",
                                        recordings,
                                        dataRoot / ".Recordings-export",
                                        dataRoot / ".Recordings-previous"};
    for (const fs::path& folder : folders) {
        SCOPED_TRACE(folder.string());
        // Standing before the stores start, and put in place once they have.
        linkOutside(folder);
        plantAfterStart = [&] { linkOutside(folder); };
        useStores();
        EXPECT_EQ(snapshot(outside), before);
        fs::remove_all(temporary.path() / "cache");
        fs::remove_all(temporary.path() / "data");
    }
}

TEST_F(StoreLinksTest, NothingOutsideIsWrittenOrRemovedThroughALinkInPlaceOfAnEntryInUse) {
    // A read's staging folder replaced while the read runs, and "staging" itself.
    onStaged = [&](const fs::path& folder) {
        fs::create_directories(folder);
        linkOutside(folder);
    };
    useStores();
    EXPECT_EQ(snapshot(outside), before);

    onStaged = [&](const fs::path& folder) { linkOutside(folder.parent_path()); };
    useStores();
    EXPECT_EQ(snapshot(outside), before);

    // A saved clip's folder replaced before it is loaded and deleted.
    onStaged = nullptr;
    onSaved = [&](const fs::path& folder) { linkOutside(folder); };
    useStores();
    EXPECT_EQ(snapshot(outside), before);
    EXPECT_TRUE(
        logs.contains(QStringLiteral("staging was a symbolic link — replaced with a folder")));
}

TEST_F(StoreLinksTest, ALinkAtTheClipsFolderIsReplacedWithAFolderAndLogged) {
    linkOutside(clipsRoot);
    useStores();
    EXPECT_EQ(snapshot(outside), before);
    EXPECT_FALSE(fs::is_symlink(clipsRoot));
    EXPECT_TRUE(fs::exists(clipsRoot / "summaries.tsv"));
    EXPECT_TRUE(
        logs.contains(QStringLiteral("clips was a symbolic link — replaced with a folder")));
}

// A user may move the roots to another disk and leave a link behind: that link is followed, and
// the folder it leads to is said once as the stores start.
TEST_F(StoreLinksTest, TheRootsThemselvesMayBeLinksAndAreFollowedAndLogged) {
    const fs::path disk = temporary.path() / "disk";
    fs::create_directories(disk / "Parlino");
    fs::create_directories(disk / "com.parlino.app");
    fs::create_directories(dataRoot.parent_path());
    fs::create_directories(cacheRoot.parent_path());
    fs::create_symlink(disk / "Parlino", dataRoot);
    fs::create_symlink(disk / "com.parlino.app", cacheRoot);
    {
        CacheStore cache(cacheRoot, 5000);
        ClipLibrary clips(clipsRoot);
        cache.store(key, audioChunks(1, 10), {});
        ASSERT_TRUE(
            clips.save(QStringLiteral("Text."), audioChunks(1, 10), {}, QStringLiteral("v"), {}));
    }
    EXPECT_TRUE(fs::is_symlink(dataRoot));
    EXPECT_TRUE(fs::is_symlink(cacheRoot));
    EXPECT_TRUE(fs::exists(disk / "com.parlino.app" / "audio" / key.toStdString()));
    EXPECT_TRUE(fs::exists(disk / "Parlino" / "clips" / "summaries.tsv"));
    for (const auto& [root, real] :
         {std::pair{dataRoot, disk / "Parlino"}, std::pair{cacheRoot, disk / "com.parlino.app"}})
        EXPECT_EQ(
            logs.messages().count(QStringLiteral("root %1 is the folder %2")
                                      .arg(QString::fromStdString(root.string()),
                                           QString::fromStdString(fs::canonical(real).string()))),
            1);
}

} // namespace
