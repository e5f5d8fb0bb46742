#pragma once

#include "Base/Folder.h"
#include "Base/Result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <system_error>

struct stat;

// Reading and writing files that may be anything: a store's folder can hold a named pipe, a device
// or a link where a file was expected, and none of them may block, exhaust memory or lead
// elsewhere.
namespace Base::Files {

// Closes a descriptor when it goes out of scope.
struct FileDescriptor {
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    int fd;
    FileDescriptor(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
};

enum class Links {
    follow, // a link to a regular file is read
    refuse, // neither the file nor the folder holding it may be a link
};

// A regular file opened for reading by openRegular, read a piece at a time.
class RegularInput {
public:
    RegularInput(FileDescriptor input, qint64 size, qint64 maxBytes);

    // The file's size when it was opened.
    qint64 size() const { return m_size; }
    // Reads the next piece of at most `capacity` bytes into `buffer`: its length, 0 at the end of
    // the file. A file that grows meanwhile beyond the bound it was opened with fails with
    // std::errc::file_too_large.
    Result<qsizetype, std::error_code> read(char* buffer, qsizetype capacity);

private:
    FileDescriptor m_input;
    qint64 m_size;
    qint64 m_maxBytes;
    qint64 m_read = 0;
};

// Opens a regular file of at most `maxBytes` for reading, never blocking on opening it. Anything
// but a regular file fails with std::errc::not_supported; a refused link with
// std::errc::too_many_symbolic_link_levels; a larger file with std::errc::file_too_large.
Result<RegularInput, std::error_code> openRegular(const std::filesystem::path& file,
                                                  qint64 maxBytes, Links links);
// Reads a whole regular file, opened as openRegular opens it.
Result<QByteArray, std::error_code> readRegular(const std::filesystem::path& file, qint64 maxBytes,
                                                Links links);

// A new regular file `name` in `folder`, written piece by piece through a buffer of a fixed size,
// so that a long document never stands in memory whole. Creating it fails when anything stands at
// its name, which is never followed or opened: a link, a pipe, a device or a file. More than
// `maxBytes` in all fails with std::errc::file_too_large before the file exceeds it. A file that
// failed, or was never closed, is left incomplete: callers write into a folder of their own that
// a failure removes.
class NewFile {
public:
    NewFile(const Folder& folder, const std::filesystem::path& name,
            qint64 maxBytes = std::numeric_limits<qint64>::max());

    // Adds `bytes`; false once writing has failed, after which nothing more is written.
    bool write(QByteArrayView bytes);
    // Writes what is left and closes the file: the first failure since it was created, if any.
    std::error_code close();

private:
    bool flush();

    FileDescriptor m_output;
    qint64 m_maxBytes;
    qint64 m_written = 0;
    std::string m_buffer;
    std::error_code m_error;
};

// Appends to the regular file `name` in `folder` that has no other name (a hard link would be
// written through) without following a link or blocking; `bytes` is given the file's size before
// the append. Fails as readRegular does for anything but such a file, and with
// std::errc::no_such_file_or_directory when there is none.
Result<qint64, std::error_code> appendRegular(const Folder& folder,
                                              const std::filesystem::path& name,
                                              const std::function<QByteArray(qint64)>& bytes);

// Replaces `name` in `folder` with a regular file holding `bytes`, written to "<name>.new" (a
// NewFile) and renamed over it, so a reader finds the old or the new contents whole. Neither name
// is followed or opened if it is a link, a pipe or another special file: whatever stands at
// "<name>.new" is removed first, and the rename replaces whatever stands at `name`.
std::error_code replaceRegular(const Folder& folder, const std::filesystem::path& name,
                               const QByteArray& bytes);

// Gives the regular file `source` of `size` bytes the new name `name` in `folder` (a hard link).
// As readRegular with Links::refuse, neither `source` nor the folder holding it may be a link, and
// only a regular file of that size is linked (std::errc::not_supported otherwise); across file
// systems it fails with std::errc::cross_device_link.
std::error_code linkRegular(const std::filesystem::path& source, qint64 size, const Folder& folder,
                            const std::filesystem::path& name);

// What stands at `path` when it is something else than a regular file of its own: "a symbolic
// link", "a named pipe", "a folder", "a device", "a socket" or "a file with other names"; nothing
// when it is missing or a regular file.
std::optional<QString> describeSpecial(const std::filesystem::path& path);
// The same for what lstat found.
std::optional<QString> describeStatus(const struct stat& info);

// Whether the failure was the file's own kind or size rather than the system's (permissions,
// input/output): what a store counts as damage.
bool isRefused(const std::error_code& error);
// The failure in words, for a log line: "not a regular file", "a symbolic link", "too large" or
// the system's description.
QString describe(const std::error_code& error);

} // namespace Base::Files
