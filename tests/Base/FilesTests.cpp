#include "Base/Files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
using Base::Files::Folder;
using Base::Files::Missing;
using Base::Files::NewFile;

QByteArray contents(const fs::path& file) {
    std::ifstream input(file, std::ios::binary);
    return QByteArray::fromStdString({std::istreambuf_iterator<char>(input), {}});
}

class NewFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    fs::path folder = fs::path(dir.path().toStdString());
    fs::path file = folder / "manifest.json";
    Folder open = Folder::open(folder).value();
};

TEST_F(NewFileTest, PiecesOfEverySizeArriveInOrder) {
    // Pieces smaller than the buffer, one that overflows it, and ones larger than it.
    const QList<QByteArray> pieces{"a", QByteArray(40000, 'b'),  QByteArray(30000, 'c'),
                                   "d", QByteArray(200000, 'e'), QByteArray(),
                                   "f", QByteArray(65536, 'g'),  "h"};
    NewFile output(open, "manifest.json");
    QByteArray expected;
    for (const QByteArray& piece : pieces) {
        EXPECT_TRUE(output.write(piece));
        expected += piece;
    }
    EXPECT_FALSE(output.close());
    EXPECT_EQ(contents(file), expected);
}

TEST_F(NewFileTest, WritingBeyondTheBoundFailsBeforeTheFileExceedsIt) {
    NewFile output(open, "manifest.json", 10);
    EXPECT_TRUE(output.write("0123456"));
    EXPECT_FALSE(output.write("789ab"));
    EXPECT_FALSE(output.write("x")) << "nothing more after a failure";
    EXPECT_EQ(output.close(), std::errc::file_too_large);
    EXPECT_LE(contents(file).size(), 10);
}

TEST_F(NewFileTest, NothingStandingAtTheNameIsFollowedOpenedOrReplaced) {
    const fs::path target = folder / "target";
    std::ofstream(target) << "kept";
    fs::create_symlink(target, file);
    NewFile throughLink(open, "manifest.json");
    EXPECT_FALSE(throughLink.write("x"));
    EXPECT_EQ(throughLink.close(), std::errc::file_exists);
    EXPECT_EQ(contents(target), "kept");

    // Opening a pipe for writing would wait for a reader.
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    NewFile intoPipe(open, "pipe");
    EXPECT_EQ(intoPipe.close(), std::errc::file_exists);

    NewFile again(open, "target");
    EXPECT_EQ(again.close(), std::errc::file_exists);
    EXPECT_EQ(contents(target), "kept");

    // A path of several names would be followed through its folders.
    fs::create_directory_symlink(folder / "elsewhere", folder / "linked");
    fs::create_directory(folder / "elsewhere");
    NewFile through(open, "linked/file");
    EXPECT_EQ(through.close(), std::errc::invalid_argument);
    EXPECT_FALSE(fs::exists(folder / "elsewhere" / "file"));
}

// A folder tree with a link to an outside folder at each of its folders in turn.
class FolderTest : public NewFileTest {
protected:
    void SetUp() override {
        fs::create_directories(outside / "b" / "c");
        std::ofstream(outside / "b" / "c" / "file") << "outside";
    }
    fs::path outside = folder / "outside";
    fs::path root = folder / "root";
};

TEST_F(FolderTest, ALinkOrAFileWhereAFolderBelongsIsRefusedAndNothingIsMadeThroughIt) {
    for (const fs::path& linked : {fs::path("a"), fs::path("a/b"), fs::path("a/b/c")}) {
        fs::remove_all(root);
        fs::create_directories((root / linked).parent_path());
        fs::create_directory_symlink(outside, root / linked);
        const auto opened = Folder::open(root).value().folder("a/b/c/d", Missing::create);
        ASSERT_FALSE(opened) << linked;
        EXPECT_EQ(opened.error(), std::errc::too_many_symbolic_link_levels) << linked;
        EXPECT_FALSE(fs::exists(outside / "d"));
        EXPECT_FALSE(fs::exists(outside / "b" / "c" / "d"));
        EXPECT_FALSE(fs::exists(outside / "c"));
    }
    fs::remove_all(root);
    fs::create_directories(root);
    std::ofstream(root / "a") << "a file";
    const auto opened = Folder::open(root).value().folder("a/b", Missing::create);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error(), std::errc::not_a_directory);
    for (const char* name : {"..", ".", "", "x/../.."})
        EXPECT_FALSE(Folder::open(root).value().folder(name, Missing::create)) << name;
}

TEST_F(FolderTest, RemovingATreeRemovesItsLinksAndNothingTheyLeadTo) {
    fs::create_directories(root / "entry" / "inner");
    std::ofstream(root / "entry" / "inner" / "chunk") << "x";
    fs::create_directory_symlink(outside, root / "entry" / "inner" / "folder-link");
    fs::create_symlink(outside / "b" / "c" / "file", root / "entry" / "file-link");
    fs::create_directory_symlink(outside, root / "linked-entry");
    const Folder opened = Folder::open(root).value();

    EXPECT_FALSE(opened.remove("entry"));
    EXPECT_FALSE(opened.remove("linked-entry"));
    EXPECT_FALSE(opened.remove("missing"));
    EXPECT_TRUE(fs::is_empty(root));
    EXPECT_EQ(contents(outside / "b" / "c" / "file"), "outside");
}

TEST_F(FolderTest, RenamingAndStampingActOnTheNameItself) {
    fs::create_directories(root / "staging" / "built");
    fs::create_directory_symlink(outside, root / "audio");
    const Folder opened = Folder::open(root).value();
    const auto staging = opened.folder("staging").value();
    EXPECT_EQ(staging.rename("built", opened, "entry"), std::error_code());
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(root / "entry")));

    const auto outsideTime = fs::last_write_time(outside);
    const auto time = outsideTime - std::chrono::hours(24);
    EXPECT_FALSE(opened.setModified("entry", time));
    EXPECT_EQ(fs::last_write_time(root / "entry"), time);
    opened.setModified("audio", time);
    EXPECT_EQ(fs::last_write_time(outside), outsideTime);
}

} // namespace
