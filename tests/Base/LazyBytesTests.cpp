#include "Base/LazyBytes.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const char* bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

class LazyBytesInFile : public ::testing::Test {
protected:
    QTemporaryDir dir;
    fs::path folder = fs::path(dir.path().toStdString());
    fs::path file = folder / "chunk";
};

TEST_F(LazyBytesInFile, TheFileIsReadAtEachUseAndOnlyAsTheRegularFileOfItsSize) {
    write(file, "first");
    const auto lazy = Base::LazyBytes::inFile(file, 5);
    EXPECT_EQ(lazy.size(), 5);
    EXPECT_EQ(lazy.bytes(), "first");
    write(file, "again");
    EXPECT_EQ(lazy.bytes(), "again") << "nothing is kept from the last use";

    write(file, "longer");
    EXPECT_EQ(lazy.bytes(), QByteArray());
    fs::remove(file);
    write(folder / "elsewhere", "other");
    fs::create_symlink(folder / "elsewhere", file);
    EXPECT_EQ(lazy.bytes(), QByteArray()) << "a link is not followed";
    fs::remove(file);
    ASSERT_EQ(::mkfifo(file.c_str(), 0600), 0);
    EXPECT_EQ(lazy.bytes(), QByteArray()) << "a pipe neither blocks nor is read";
}

} // namespace
