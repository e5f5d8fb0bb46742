// The stores on a file system too small for what they write: the failure is reported with its
// cause and nothing half-written remains.
#include "Parlino/Services/PlayerViewModel.h"
#include "Parlino/Services/SaveFailureNotice.h"
#include "Parlino/Storage/CacheStore.h"
#include "Parlino/Storage/ClipLibrary.h"

#include "Parlino/Storage/StorageTesting.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/mount.h>

using namespace Parlino;
using namespace StorageTesting;

namespace {

const QString key(64, u'e');

// A file system of 64 KiB of its own, where one is allowed to be mounted.
class FullDiskTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(disk);
        if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0)
            GTEST_SKIP() << "no file system of our own can be mounted here";
        mounted = true;
    }
    void TearDown() override {
        if (mounted)
            ::umount2(disk.c_str(), MNT_DETACH);
    }

    // Every file below the disk's stores, folders included.
    std::vector<std::string> everything() const {
        std::vector<std::string> paths;
        for (const auto& entry : fs::recursive_directory_iterator(disk))
            paths.push_back(fs::relative(entry.path(), disk).string());
        std::sort(paths.begin(), paths.end());
        return paths;
    }

    TemporaryFolder temporary;
    fs::path disk = temporary.path() / "disk";
    bool mounted = false;
    TestSupport::LogCapture logs;
};

TEST_F(FullDiskTest, ACacheEntryThatDoesNotFitIsReportedAndLeavesNothingBehind) {
    CacheStore cache(disk / "cache", CacheStore::defaultMaxBytes);
    std::optional<StorageFiles::WriteFailure> reported;
    cache.onStoreFailed = [&](const StorageFiles::WriteFailure& failure) { reported = failure; };

    cache.store(key, audioChunks(3, 40000), {});
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->error, std::errc::no_space_on_device);
    EXPECT_TRUE(logs.contains(QStringLiteral("store failed: No space left on device")));
    EXPECT_FALSE(cache.lookup(key));

    reported.reset();
    cache.storeInBackground(key, audioChunks(2, 40000), {});
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !cache.isStoring(); }));
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->error, std::errc::no_space_on_device);
    EXPECT_EQ(everything(), (std::vector<std::string>{"cache", "cache/audio", "cache/staging"}));

    // Room again: the next one is kept.
    cache.store(key, audioChunks(1, 1000), {});
    EXPECT_TRUE(cache.lookup(key));
}

TEST_F(FullDiskTest, AClipThatDoesNotFitIsReportedAndLeavesNothingBehind) {
    ClipLibrary clips(disk / "clips");
    std::optional<StorageFiles::WriteFailure> reported;
    clips.onSaveFailed = [&](const StorageFiles::WriteFailure& failure) { reported = failure; };

    EXPECT_FALSE(clips.save(QStringLiteral("Text."), audioChunks(3, 40000), {},
                            QStringLiteral("voice"), {}));
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->error, std::errc::no_space_on_device);
    EXPECT_TRUE(logs.contains(QStringLiteral("save failed: No space left on device chunkCount=3")));

    reported.reset();
    clips.saveInBackground(QStringLiteral("Text."), audioChunks(2, 40000), {},
                           QStringLiteral("voice"), {});
    ASSERT_TRUE(TestSupport::pumpUntil([&] { return !clips.isSaving(); }));
    ASSERT_TRUE(reported);
    EXPECT_EQ(reported->error, std::errc::no_space_on_device);
    EXPECT_EQ(everything(), (std::vector<std::string>{"clips", "clips/staging"}));
    EXPECT_TRUE(listClips(clips).isEmpty());
}

TEST(SaveFailureNoticeTest, TheFirstFailureOfAReadIsShownWithItsCauseNamedPlainly) {
    PlayerViewModel model;
    SaveFailureNotice notice(model);
    notice.saveFailed({std::make_error_code(std::errc::no_space_on_device), QStringLiteral("x")});
    EXPECT_EQ(model.saveFailure(), QStringLiteral("This read could not be saved: disk full"));
    notice.saveFailed(StorageFiles::writeFailure(std::make_error_code(std::errc::io_error)));
    EXPECT_EQ(model.saveFailure(), QStringLiteral("This read could not be saved: disk full"))
        << "once per read";

    notice.readStarted();
    EXPECT_EQ(model.saveFailure(), std::nullopt);
    notice.saveFailed(StorageFiles::writeFailure(std::make_error_code(std::errc::io_error)));
    EXPECT_EQ(model.saveFailure(),
              QStringLiteral("This read could not be saved: input/output error"));
    notice.readStarted();
    notice.saveFailed({{}, QStringLiteral("Creation time out of range")});
    EXPECT_EQ(model.saveFailure(),
              QStringLiteral("This read could not be saved: creation time out of range"));
    notice.readStarted();
    notice.saveFailed({std::error_code(EDQUOT, std::system_category()), {}});
    EXPECT_EQ(model.saveFailure(), QStringLiteral("This read could not be saved: disk full"));
}

} // namespace
