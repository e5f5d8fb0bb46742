#pragma once

#include "Base/Result.h"

#include <QByteArray>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <system_error>

// Reading and writing files that may be anything: a store's folder can hold a named pipe, a device
// or a link where a file was expected, and none of them may block, exhaust memory or lead
// elsewhere.
namespace Base::Files {

// Closes a descriptor when it goes out of scope.
struct FileDescriptor {
    explicit FileDescriptor(int descriptor) : fd(descriptor) {}
    int fd;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
};

enum class Links {
    follow, // a link to a regular file is read
    refuse, // neither the file nor the folder holding it may be a link
};

// Reads a whole regular file of at most `maxBytes`, never blocking on opening it. Anything but a
// regular file fails with std::errc::not_supported; a refused link with
// std::errc::too_many_symbolic_link_levels; a larger file with std::errc::file_too_large.
Result<QByteArray, std::error_code> readRegular(const std::filesystem::path& file, qint64 maxBytes,
                                                Links links);

// Writes all of `bytes` and closes the file, reporting the first failure.
std::error_code writeAndClose(FileDescriptor& output, const QByteArray& bytes);

// Appends to a regular file that has no other name (a hard link would be written through) without
// following a link or blocking; `bytes` is given the file's size before the append. Fails as
// readRegular does for anything but such a file, and with std::errc::no_such_file_or_directory
// when there is none.
Result<qint64, std::error_code> appendRegular(const std::filesystem::path& file,
                                              const std::function<QByteArray(qint64)>& bytes);

// Replaces `file` with a regular file holding `bytes`, written to "<file>.new" and renamed over
// it, so a reader finds the old or the new contents whole. Neither name is followed or opened if
// it is a link, a pipe or another special file: whatever stands at "<file>.new" is removed first,
// and the rename replaces whatever stands at `file`.
std::error_code replaceRegular(const std::filesystem::path& file, const QByteArray& bytes);

// What stands at `path` when it is something else than a regular file of its own: "a symbolic
// link", "a named pipe", "a folder", "a device", "a socket" or "a file with other names"; nothing
// when it is missing or a regular file.
std::optional<QString> describeSpecial(const std::filesystem::path& path);

// Whether the failure was the file's own kind or size rather than the system's (permissions,
// input/output): what a store counts as damage.
bool isRefused(const std::error_code& error);
// The failure in words, for a log line: "not a regular file", "a symbolic link", "too large" or
// the system's description.
QString describe(const std::error_code& error);

} // namespace Base::Files
