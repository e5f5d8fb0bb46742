#pragma once

#include "Base/Date.h"
#include "Parlino/Storage/AudioChunk.h"
#include "Parlino/Storage/ClipLibrary.h"
#include "support/EventLoop.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// Files on a temporary folder for the storage tests.
namespace StorageTesting {

namespace fs = std::filesystem;

// A fresh temporary folder, removed with everything in it at the end of the test.
class TemporaryFolder {
public:
    TemporaryFolder() { EXPECT_TRUE(m_dir.isValid()); }
    fs::path path() const { return fs::path(m_dir.path().toStdString()); }

private:
    QTemporaryDir m_dir;
};

inline void writeBytes(const fs::path& file, const QByteArray& bytes) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(bytes.constData(), bytes.size());
}

inline QByteArray readBytes(const fs::path& file) {
    std::ifstream input(file, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(input), {}};
    return QByteArray::fromStdString(text);
}

// The names directly inside a folder, sorted; none when it cannot be listed.
inline std::vector<std::string> names(const fs::path& folder) {
    std::vector<std::string> result;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        result.push_back(it->path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
}

inline Base::Date utc(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    return Base::Date::fromDateTime(
        QDateTime(QDate(year, month, day), QTime(hour, minute, second, ms), QTimeZone::utc()));
}

// `count` chunks of `size` bytes each, distinct in content, one second long each.
inline QList<Parlino::AudioChunk> audioChunks(int count, qsizetype size) {
    QList<Parlino::AudioChunk> chunks;
    for (int i = 0; i < count; ++i)
        chunks.append({QByteArray(size, char('a' + i)), 1.0 + i});
    return chunks;
}

// Lists the library's folder again, as the application does off the main thread, and returns
// its clips once it has.
inline QList<Parlino::ClipSummary> listClips(Parlino::ClipLibrary& library) {
    bool done = false;
    QObject context;
    library.refresh(&context, [&] { done = true; });
    EXPECT_TRUE(TestSupport::pumpUntil([&] { return done; }));
    return library.clips();
}
inline QList<Parlino::ClipSummary> listClips(Parlino::ClipLibrary&& library) {
    return listClips(library);
}

} // namespace StorageTesting
