#include "Base/Files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;
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
};

TEST_F(NewFileTest, PiecesOfEverySizeArriveInOrder) {
    // Pieces smaller than the buffer, one that overflows it, and ones larger than it.
    const QList<QByteArray> pieces{"a", QByteArray(40000, 'b'),  QByteArray(30000, 'c'),
                                   "d", QByteArray(200000, 'e'), QByteArray(),
                                   "f", QByteArray(65536, 'g'),  "h"};
    NewFile output(file);
    QByteArray expected;
    for (const QByteArray& piece : pieces) {
        EXPECT_TRUE(output.write(piece));
        expected += piece;
    }
    EXPECT_FALSE(output.close());
    EXPECT_EQ(contents(file), expected);
}

TEST_F(NewFileTest, WritingBeyondTheBoundFailsBeforeTheFileExceedsIt) {
    NewFile output(file, 10);
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
    NewFile throughLink(file);
    EXPECT_FALSE(throughLink.write("x"));
    EXPECT_EQ(throughLink.close(), std::errc::file_exists);
    EXPECT_EQ(contents(target), "kept");

    // Opening a pipe for writing would wait for a reader.
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    NewFile intoPipe(pipe);
    EXPECT_EQ(intoPipe.close(), std::errc::file_exists);

    NewFile again(target);
    EXPECT_EQ(again.close(), std::errc::file_exists);
    EXPECT_EQ(contents(target), "kept");
}

} // namespace
