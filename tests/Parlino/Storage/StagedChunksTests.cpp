#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "Parlino/Storage/StagedChunks.h"

#include "Parlino/Storage/StorageTesting.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Parlino;
using namespace StorageTesting;

namespace {

const QString key(64, u'c');

ino_t inode(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::lstat(file.c_str(), &info), 0) << file;
    return info.st_ino;
}

class StagedChunksTest : public ::testing::Test {
protected:
    TemporaryFolder temporary;
    fs::path root = temporary.path() / "cache";
    CacheStore cache{root, CacheStore::defaultMaxBytes};
    std::shared_ptr<StagedChunks> staged = cache.stageRead();
};

TEST_F(StagedChunksTest, KeptAudioIsReadFromItsFileAndTheFolderGoesWithTheLastHolder) {
    auto first = std::make_optional(staged->keep(0, "first chunk"));
    auto second = std::make_optional(staged->keep(1, "second"));
    const fs::path folder = staged->folder();
    EXPECT_EQ(folder.parent_path(), root / "staging");
    EXPECT_EQ(names(folder), (std::vector<std::string>{"chunk-0.mp3", "chunk-1.mp3"}));
    EXPECT_EQ(first->file(), folder / "chunk-0.mp3");
    EXPECT_EQ(first->bytes(), "first chunk");

    staged.reset();
    first.reset();
    EXPECT_EQ(second->bytes(), "second") << "a chunk still held keeps the folder";
    second.reset();
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(StagedChunksTest, AChunkReplacesALinkOrAPipeInItsPlaceWithoutFollowingOrOpeningIt) {
    fs::create_directories(staged->folder());
    const fs::path outside = temporary.path() / "outside";
    writeBytes(outside, "untouched");
    fs::create_symlink(outside, staged->folder() / "chunk-0.mp3");
    ASSERT_EQ(::mkfifo((staged->folder() / "chunk-1.mp3").c_str(), 0600), 0);

    const auto linked = staged->keep(0, "audio");
    const auto piped = staged->keep(1, "more audio");
    EXPECT_EQ(readBytes(outside), "untouched");
    EXPECT_EQ(linked.bytes(), "audio");
    EXPECT_EQ(piped.bytes(), "more audio");
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(*piped.file())));
}

TEST_F(StagedChunksTest, AudioThatCannotBeWrittenStaysInMemory) {
    TestSupport::LogCapture log;
    writeBytes(staged->folder(), "a file where the folder goes");
    const auto kept = staged->keep(0, "audio");
    EXPECT_EQ(kept.file(), std::nullopt);
    EXPECT_EQ(kept.bytes(), "audio");
    EXPECT_TRUE(log.messages().join('\n').contains(QStringLiteral("chunk kept in memory idx=0")));
    EXPECT_EQ(readBytes(staged->folder()), "a file where the folder goes");
}

TEST_F(StagedChunksTest, TheStoresLinkTheKeptFilesAndKeepThemAfterTheStagingGoes) {
    const QList<AudioChunk> chunks{{staged->keep(0, "aaaa"), 1.0}, {staged->keep(1, "bb"), 2.0}};
    const ino_t staging = inode(staged->folder() / "chunk-1.mp3");
    cache.store(key, chunks, {});
    ClipLibrary clips(temporary.path() / "clips");
    const auto clip = clips.save(QStringLiteral("text"), chunks, {}, QStringLiteral("voice"), {});
    ASSERT_TRUE(clip);
    EXPECT_EQ(inode(root / "audio" / key.toStdString() / "chunk-1.mp3"), staging);
    EXPECT_EQ(inode(clips.root() / clip->rawValue.toStdString() / "chunk-1.mp3"), staging);

    const fs::path folder = staged->folder();
    staged.reset();
    const auto stored = cache.lookup(key);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->chunks, chunks);
    EXPECT_EQ(clips.load(*clip)->chunks, chunks);
}

TEST_F(StagedChunksTest, AKeptFileSwappedForALinkIsNotPublished) {
    const QList<AudioChunk> chunks{{staged->keep(0, "aaaa"), 1.0}};
    const fs::path file = *chunks[0].audio.file();
    writeBytes(temporary.path() / "outside", "aaaa");
    fs::remove(file);
    fs::create_symlink(temporary.path() / "outside", file);
    cache.store(key, chunks, {});
    EXPECT_FALSE(cache.lookup(key));
    EXPECT_FALSE(fs::exists(root / "audio" / key.toStdString()));
}

} // namespace
